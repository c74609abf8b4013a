#include "model/TextEntryRules.h"

#include <algorithm>

bool IsTypableText(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return IsTypableCharacter(static_cast<unsigned char>(c)); });
}

std::string WithoutLeadingBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}
