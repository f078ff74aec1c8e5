#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Storage form of protected player files:
//   kind 0: the content; kind 1: the content, scrambled;
//   kind 2: checksum header + content; kind 3: (checksum header + content), scrambled.
// The checksum header is 16 ASCII decimal digits, zero-padded, of the byte sum of
// the content. Any other kind is treated as kind 0.

constexpr size_t kChecksumHeaderSize = 16;

// The sum of all bytes as unsigned 8-bit values, modulo 2^32. Below 2^31 this is
// the signed 32-bit sum; larger sums stay non-negative so the header always has
// exactly 16 digits and round-trips.
uint32_t ComputeChecksum(const uint8_t* data, size_t size);
std::string FormatChecksumHeader(uint32_t checksum);
// Reads exactly the first 16 bytes, which must all be ASCII digits; nothing beyond
// them is looked at. False when there are fewer bytes or a non-digit.
bool ParseChecksumHeader(const uint8_t* data, size_t size, uint64_t& value);

// The key text of the scrambling generator, assembled from fixed fragments. Saved
// files depend on it: it must never change.
const std::string& ProtectionKeyText();

// Adds (scramble) or subtracts (unscramble) the keystream of key, restarted for
// this buffer, byte by byte modulo 256. An empty key leaves the bytes alone.
void ScrambleBytes(std::vector<uint8_t>& bytes, const std::string& key);
void UnscrambleBytes(std::vector<uint8_t>& bytes, const std::string& key);
// The first count keystream bytes of key (tests, tools).
std::vector<uint8_t> KeystreamBytes(const std::string& key, size_t count);

// The stored form of content for kind.
std::vector<uint8_t> ProtectBytes(const std::vector<uint8_t>& content, int kind);
// Turns stored bytes back into the content in place: 0 on success, 2 when a
// checksummed file is too short, has a malformed header or a wrong checksum; problem
// (when given) then says which, as a phrase after the file's name.
int UnprotectBytes(std::vector<uint8_t>& bytes, int kind, std::string* problem = nullptr);
