// SPDX-License-Identifier: GPL-3.0-or-later
#include "res/DialogInit102.h"

// Records: control ID (16-bit), 0x0376 "load from stream" (16-bit), data length (32-bit), the
// control's persisted stream. Little-endian throughout; a 16-bit zero closes the list.
const unsigned char kDialogInit102[] = {
    // Control 1019, the skin control: 40 bytes.
    0xFB,
    0x03,
    0x76,
    0x03,
    0x28,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00, // m_bstrAuthor: empty
    0x00,
    0x00,
    0x00,
    0x00, // m_bstrDescription: empty
    0x00,
    0x00,
    0x00,
    0x00, // m_bstrApplication: empty
    0x00,
    0x00,
    0x00,
    0x00, // m_nHue: 0
    0xFF,
    0xFF,
    0xFF, // m_BackColor: white
    0x00,
    0x00,
    0x00, // m_ForeColor: black
    0xD8,
    0xE9,
    0xEC, // m_PanelColor
    0x00,
    0x00,
    0x00, // m_PanelTextColor: black
    0xFF,
    0xFF, // m_bApplyColors: -1
    0x01,
    0x00, // m_bSkinClientArea: 1
    0x00,
    0x00,
    0x00,
    0x00, // m_bstrName: empty
    0x00,
    0x00,
    0x00,
    0x00, // m_bstrTag: empty

    // Control 1020, the splash control: 30 bytes.
    0xFC,
    0x03,
    0x76,
    0x03,
    0x1E,
    0x00,
    0x00,
    0x00,
    0x01,
    0x00,
    0x00,
    0x00, // stream version 1
    0x01,
    0x00, // m_bShowTooltip: yes
    0x04,
    0x00,
    0x00,
    0x00, // m_nPadding: 4 percent
    0x10,
    0x00,
    0x00,
    0x00, // m_bstrAccessibleName: "Carvalet", 16 bytes of UTF-16
    'C',
    0x00,
    'a',
    0x00,
    'r',
    0x00,
    'v',
    0x00,
    'a',
    0x00,
    'l',
    0x00,
    'e',
    0x00,
    't',
    0x00,

    0x00,
    0x00,
};
const std::size_t kDialogInit102Size = sizeof(kDialogInit102);
