// The entry point where arguments arrive in the terminal's encoding.
#include "terminal.h"

int main(int argc, char** argv) { return cli::batch_main(argc, argv); }
