// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the control tests.
#pragma once

#include "platform/mfc/ControlHost.h"
#include "platform/user/Resources.h"
#include "res/DialogInit102.h"

#include <QCoreApplication>
#include <QString>

#include <span>
#include <string>

inline QString BinDir()
{
    return QCoreApplication::applicationDirPath();
}

inline BstrPtr MakeBstr(const QString& text)
{
    return BstrPtr(SysAllocStringLen(reinterpret_cast<const char16_t*>(text.utf16()),
                                     static_cast<UINT>(text.size())));
}

inline QString FromBstr(BSTR text)
{
    return text ? QString::fromUtf16(text, static_cast<qsizetype>(SysStringLen(text))) : QString();
}

inline std::span<const BYTE> InitData()
{
    return {kDialogInit102, kDialogInit102Size};
}

inline std::span<const BYTE> RecordOf(WORD id)
{
    return layer::FindDialogInitRecord(InitData(), id).value_or(std::span<const BYTE>());
}

// Points the container at another registry for the life of the object.
class RegistryScope
{
public:
    explicit RegistryScope(const std::string& path) { CControlHost::SetRegistryPath(path); }
    ~RegistryScope() { CControlHost::SetRegistryPath({}); }
    RegistryScope(const RegistryScope&) = delete;
    RegistryScope& operator=(const RegistryScope&) = delete;
};

inline std::string StandIn(const char* behaviour)
{
    return std::string(CARVALET_STAND_IN_DIR) + "/" + behaviour + ".reg";
}
