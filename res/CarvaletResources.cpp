#include "CarvaletResources.h"

#include "DialogTemplates.h"
#include "Resource.h"

extern const unsigned char kIconCarvalet[];
extern const std::size_t kIconCarvalet_size;

namespace
{
const StringResource kStrings[] = {
    {IDS_ABOUTBOX, "&About Carvalet..."},
};

const VersionInfo kVersion = {
    {1, 0, 0, 5},     {1, 0, 0, 5},
    "1, 0, 0, 5",     "1, 0, 0, 5",
    "Brindlemoor",    "Carvalet",
    "Carvalet",       "Copyright (C) 2011 Brindlemoor",
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
