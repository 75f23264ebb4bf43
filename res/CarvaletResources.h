// SPDX-License-Identifier: GPL-3.0-or-later
// The program's resources: dialog templates 100, 102 and 129, string 101, icon 128 and the
// version block. Register them once at start-up with layer::SetResourceModule.
#pragma once

#include "platform/user/Resources.h"

const ResourceModule& CarvaletResources();
