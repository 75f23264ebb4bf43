// SPDX-License-Identifier: GPL-3.0-or-later
// Points XDG_CONFIG_HOME at a fresh folder for as long as it lives, so what one test makes
// the program remember (the seal choice) never reaches another, nor the user's own settings.
#pragma once

#include <QByteArray>
#include <QTemporaryDir>

class ScratchConfig
{
public:
    ScratchConfig() : m_previous(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    }
    ~ScratchConfig() { qputenv("XDG_CONFIG_HOME", m_previous); }
    ScratchConfig(const ScratchConfig&) = delete;
    ScratchConfig& operator=(const ScratchConfig&) = delete;

    QString Path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};
