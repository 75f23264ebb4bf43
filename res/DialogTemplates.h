// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog templates: about box 100, main window 102, password 129.
#pragma once

#include "platform/user/Resources.h"

#include <span>

std::span<const DialogTemplate> CarvaletDialogTemplates();
