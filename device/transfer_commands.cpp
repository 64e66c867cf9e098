// Save To and Read From device commands.
#include "transfer_commands.h"

HWND ProgressDialog;
