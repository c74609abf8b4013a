#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// Layout of every frame on the serial line, requests and replies alike:
//   B1 | kind | device ID | program slot | section | channel or command | parameter | 0 | N |
//   N payload bytes | XOR of bytes 1 .. 8+N | AA
// The end is found through the length byte only; inside a frame no byte value is special.

inline constexpr std::uint8_t kFrameStart = 0xB1;
inline constexpr std::uint8_t kFrameEnd = 0xAA;
inline constexpr std::uint8_t kFrameFiller = 0xFF; // precedes every frame on the line

// Frame kinds (byte 1).
inline constexpr std::uint8_t kKindWrite = 0xA1;  // request carrying values for the unit
inline constexpr std::uint8_t kKindRead = 0xA2;   // request asking the unit to answer
inline constexpr std::uint8_t kKindAck = 0x51;    // acknowledgement
inline constexpr std::uint8_t kKindAckAlt = 0x52; // acknowledgement, second form
inline constexpr std::uint8_t kKindDataReply = 0x53;

// Sections (byte 4).
inline constexpr std::uint8_t kSectionInput = 1;
inline constexpr std::uint8_t kSectionOutput = 2;
inline constexpr std::uint8_t kSectionGlobal = 3;

// Parameter byte marking a whole-channel block of a stored program read for backup.
inline constexpr std::uint8_t kParameterStoredBlock = 0x77;

// Global command codes (byte 5 of a section 3 frame).
inline constexpr int kGlobalProgramName = 0x00;
inline constexpr int kGlobalSettings = 0x01; // input source (and global frequency)
inline constexpr int kGlobalMeters = 0x02;
inline constexpr int kGlobalUnitValue4 = 0x04; // only in replies: no request asks for it
inline constexpr int kGlobalLineSetB = 0x10;
inline constexpr int kGlobalLineSetA = 0x11;
inline constexpr int kGlobalShortTag = 0x12;
inline constexpr int kGlobalBacklight = 0x14;
inline constexpr int kGlobalDeviceId = 0x15;
inline constexpr int kGlobalTemperature = 0x16;
inline constexpr int kGlobalIdentification = 0x19; // only in replies: no request asks for it

// Widths of the text fields on the wire.
inline constexpr std::size_t kProgramNameField = 15;
inline constexpr std::size_t kTextLineField = 20;
inline constexpr std::size_t kShortTagField = 7;

// Byte offsets within a frame.
inline constexpr std::size_t kOffsetStart = 0;
inline constexpr std::size_t kOffsetKind = 1;
inline constexpr std::size_t kOffsetDeviceId = 2;
inline constexpr std::size_t kOffsetSlot = 3;
inline constexpr std::size_t kOffsetSection = 4;
inline constexpr std::size_t kOffsetChannel = 5;
inline constexpr std::size_t kOffsetParameter = 6;
inline constexpr std::size_t kOffsetReserved = 7;
inline constexpr std::size_t kOffsetLength = 8;
inline constexpr std::size_t kOffsetPayload = 9;

inline constexpr std::size_t kFrameOverhead = 11;     // header 9 + checksum + end byte
inline constexpr std::size_t kMaxPayload = 255;       // the length byte's range
inline constexpr std::size_t kReceiveCapacity = 150;  // longest frame the receiver holds
inline constexpr std::size_t kRequestFillerCount = 3; // 0xFF bytes written before each request

// Header fields of a frame, everything but the payload.
struct FrameHeader {
    std::uint8_t kind = kKindWrite;
    std::uint8_t deviceId = 1;
    std::uint8_t slot = 0;
    std::uint8_t section = kSectionGlobal;
    std::uint8_t channelOrCommand = 0;
    std::uint8_t parameter = 0;
};

// XOR of the bytes that the checksum covers (everything after the start byte up to the last
// payload byte) for the given span.
std::uint8_t FrameChecksum(std::span<const std::uint8_t> coveredBytes);

// Builds the N + 11 bytes of a frame with the reserved byte 0, the checksum and the end byte.
// Returns an empty vector when the payload is empty or longer than 255 bytes: no such frame can
// be sent.
std::vector<std::uint8_t> ComposeFrame(std::uint8_t kind, std::uint8_t deviceId, std::uint8_t slot,
                                       std::uint8_t section, std::uint8_t channelOrCommand,
                                       std::uint8_t parameter,
                                       std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> ComposeFrame(const FrameHeader& header,
                                       std::span<const std::uint8_t> payload);

// True when the bytes form one whole frame: start byte 0xB1, exactly 11 + length-byte bytes, end
// byte 0xAA and a matching checksum.
bool CheckFrame(std::span<const std::uint8_t> frame);

// The bytes written for one transmission of a request: three 0xFF fillers, then the frame.
std::vector<std::uint8_t> TransmissionBytes(std::span<const std::uint8_t> frame);

// Appends a left-aligned text field of exactly `width` bytes: the text, then spaces. Text longer
// than the field is cut to the field.
void AppendLeftAlignedField(std::vector<std::uint8_t>& out, std::string_view text,
                            std::size_t width);
// Appends a centred text field of exactly `width` bytes: (centringWidth - length) / 2 spaces
// (remainder dropped, never fewer than 0), the text, then spaces to fill the field. A centring
// width above the field width counts as the field width; text longer than the field is cut to it.
void AppendCentredField(std::vector<std::uint8_t>& out, std::string_view text, std::size_t width,
                        std::size_t centringWidth);
// Same fields as new byte vectors.
std::vector<std::uint8_t> LeftAlignedField(std::string_view text, std::size_t width);
std::vector<std::uint8_t> CentredField(std::string_view text, std::size_t width,
                                       std::size_t centringWidth);
