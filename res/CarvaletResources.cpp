// SPDX-License-Identifier: GPL-3.0-or-later
#include "res/CarvaletResources.h"

#include "res/DialogTemplates.h"
#include "res/Resource.h"

#include "common/Version.h"

extern const unsigned char kIconCarvalet[];
extern const std::size_t kIconCarvalet_size;

namespace
{
const StringResource kStrings[] = {
    {IDS_ABOUTBOX, "&About Carvalet..."},
};

const VersionInfo kVersion = {
    {CARVALET_VERSION_MAJOR, CARVALET_VERSION_MINOR, CARVALET_VERSION_PATCH,
     CARVALET_VERSION_TWEAK},
    {CARVALET_VERSION_MAJOR, CARVALET_VERSION_MINOR, CARVALET_VERSION_PATCH,
     CARVALET_VERSION_TWEAK},
    CARVALET_VERSION_COMMAS,
    CARVALET_VERSION_COMMAS,
    "Brindlemoor",
    "Carvalet",
    "Carvalet",
    "Copyright (C) 2011 Brindlemoor",
};
} // namespace

const ResourceModule& CarvaletResources()
{
    static const IconResource icons[] = {
        {IDR_MAINFRAME, std::span<const unsigned char>(kIconCarvalet, kIconCarvalet_size)},
    };
    static const ResourceModule module = {CarvaletDialogTemplates(), kStrings, icons, &kVersion};
    return module;
}
