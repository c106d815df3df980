#include "dialog/modals.h"

#include <shellapi.h>

namespace dialog {

Modals modals = {GetOpenFileNameW, GetSaveFileNameW, MessageBoxW, ShellExecuteW};

}  // namespace dialog
