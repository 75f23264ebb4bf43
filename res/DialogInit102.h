// SPDX-License-Identifier: GPL-3.0-or-later
// Dialog-init data of the main dialog template: the persisted streams of its outside controls.
#pragma once

#include <cstddef>

extern const unsigned char kDialogInit102[];
extern const std::size_t kDialogInit102Size;
