// Names of the main dialog's template and controls, shared by the resource
// script and the dialog's code.
#pragma once

#define IDD_MAIN_DIALOG "NorvakDlg"

#define IDC_DIRECTION_GROUP 100
#define IDC_TOKYO_TO_JGD 1001
#define IDC_JGD_TO_TOKYO 1002
#define IDC_IN_FILE 1003
#define IDC_OUT_FILE 1004
#define IDC_PARA_FILE 1005
#define IDC_ZONE 1006
#define IDC_CHOOSE_IN 1007
#define IDC_CHOOSE_OUT 1008
#define IDC_CHOOSE_PARA 1009
#define IDC_DECIMALS 1010
#define IDC_DECIMALS_SPIN 1011
#define IDC_PARA_VERSION 1012
#define IDC_STATUS 1013
#define IDC_PARAK_FILE 1200
#define IDC_CHOOSE_PARAK 1201
#define IDC_PARAK_VERSION_LABEL 1203
#define IDC_PARAK_VERSION 1204
#define IDC_PARAK_FILE_LABEL 1205
#define IDC_IN_TYPE_LABEL 1206
#define IDC_IN_TYPE 1207
#define IDC_OUT_TYPE_LABEL 1208
#define IDC_OUT_TYPE 1209
// The correction files' row, under the sea grid's version line.
#define IDC_CORR_FILES 1300
#define IDC_CHOOSE_CORR 1301
#define IDC_CLEAR_CORR 1302
#define IDC_CORR_FILE_LABEL 1303
// The map file's check box, right of the output type list.
#define IDC_WRITE_MAP 1400
#define IDC_IN_FILE_LABEL 1500
#define IDC_OUT_FILE_LABEL 1501
#define IDC_DECIMALS_LABEL 1502
#define IDC_ZONE_LABEL 1503
#define IDC_PARA_FILE_LABEL 1504
#define IDC_PARA_VERSION_LABEL 1505
#define IDC_STATUS_LABEL 1506
#define IDC_RUN 2000
// Exit is the dialog's cancel command (IDCANCEL).
#define IDC_EXIT 2

// The application manifest (CREATEPROCESS_MANIFEST_RESOURCE_ID).
#define IDR_MANIFEST 1
