// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Hides enciphered text records in bit 0 of a carrier's bytes, at absolute offsets. A record
// at slot start s has a 32-bit count header in bytes s - 32 to s - 1; bit j of payload byte k
// goes to byte s + 8k + 9j. Nothing outside [0, length) is ever read or written.

inline constexpr std::int32_t PASSWORD_SLOT = 100;
inline constexpr std::int32_t MESSAGE_SLOT = 320;

// What the codec shows when a carrier holds no record where one should be.
inline constexpr const char* NOTHING_HIDDEN = "Image does not contain curtained data ..";

// Shows one message to the user and returns when it has been seen (a message box in the
// window, standard error in the command-line tool).
using ShowMessageFn = std::function<void(const std::string&)>;

int WriteCountHeader(std::uint8_t* carrier, std::int32_t length, std::int32_t headerStart,
                     std::uint32_t value, const ShowMessageFn& showMessage);

// The count (1 to length) or -1.
int ReadCountHeader(const std::uint8_t* carrier, std::int32_t length, std::int32_t headerStart,
                    const ShowMessageFn& showMessage);

// text holds bytes, without zero bytes. Returns 1 or -1 after at most one message.
int EmbedText(std::uint8_t* carrier, std::int32_t length, std::int32_t slotStart,
              const std::string& text, const ShowMessageFn& showMessage);

// Empty when nothing was found; shows at most one message.
std::string ExtractText(const std::uint8_t* carrier, std::int32_t length, std::int32_t slotStart,
                        const ShowMessageFn& showMessage);

// The carrier length EmbedText needs for a text of textLength bytes.
std::int64_t RequiredCarrierLength(std::int64_t textLength);

// The longest message that fits in a carrier of this length once the password record sits at
// PASSWORD_SLOT; 0 when not even the password record fits.
std::int64_t LongestMessage(std::int64_t carrierLength);

// The same records for a carrier that is read and written a part at a time, so that a large
// file never has to be in memory whole. The results are byte for byte those above.

// A run of a carrier's bytes: bytes[i] is the carrier's byte at offset + i.
struct CarrierPart
{
    std::uint8_t* bytes;
    std::int64_t offset;
    std::size_t size;
};

// A record ready to hide: its slot and its enciphered, padded payload.
struct HiddenRecord
{
    std::int32_t slotStart;
    std::vector<std::uint8_t> payload;
    // The carrier bytes [first, end) it changes, count header included.
    std::int64_t First() const;
    std::int64_t End() const;
};

// Checks what EmbedText checks, showing the same message, without touching a carrier.
std::optional<HiddenRecord> PrepareRecord(std::int32_t length, std::int32_t slotStart,
                                          const std::string& text,
                                          const ShowMessageFn& showMessage);

// Sets bit 0 of the bytes in `part` that carry the record or its count header.
void WriteRecordPart(const HiddenRecord& record, CarrierPart part);

// Fills `into` with `size` carrier bytes from `offset`, or throws.
using ReadCarrierFn =
    std::function<void(std::int64_t offset, std::uint8_t* into, std::size_t size)>;

// ExtractText, reading only the count header and the bytes the record covers.
std::string ExtractTextFrom(const ReadCarrierFn& read, std::int32_t length, std::int32_t slotStart,
                            const ShowMessageFn& showMessage);
