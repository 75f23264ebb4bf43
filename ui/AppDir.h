// SPDX-License-Identifier: GPL-3.0-or-later
// The program's folder: its own file path cut just before the last backslash, with no
// trailing backslash. The application object keeps it; the windows append their file names.
#pragma once

#include "platform/mfc/String.h"

CString ProgramFolder();
