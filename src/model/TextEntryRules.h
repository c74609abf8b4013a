#pragma once

#include <string>
#include <string_view>

// What the operator may type as a program name, a channel name or an interface line. The unit
// keeps every character of these texts in one byte and shows it on its display, so only the
// printable ASCII characters (blank to '~') are accepted; a character beyond them (an accented
// or a Chinese character) is refused as it is typed, not stored as bytes the unit cannot show.

// Characters of a program name typed in the program manager (the unit's field is wider).
inline constexpr int kProgramNameChars = 8;
// Characters of a channel name (the record's fixed field).
inline constexpr int kChannelNameChars = 8;

// True for the characters the edits accept: U+0020 to U+007E.
constexpr bool IsTypableCharacter(char32_t c) {
    return c >= 0x20 && c <= 0x7E;
}
// True when every byte of `text` is a typable character.
bool IsTypableText(std::string_view text);

// `text` without the blanks (spaces and tabs) it starts with.
std::string WithoutLeadingBlanks(std::string_view text);
