#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The whole file as a carrier; refuses files larger than a carrier's signed 32-bit length.
std::vector<std::uint8_t> ReadCarrier(const std::string& path);

// The file's bytes before its first zero byte; reading stops after limit bytes.
std::string ReadMessageFile(const std::string& path, std::size_t limit);

// Writes to a temporary file beside path and renames it over path only once it is complete
// and synced, so a failure never leaves a partial or truncated file behind.
void WriteFileSafely(const std::string& path, const void* data, std::size_t size);
