#include "model/PrintableText.h"

std::string PrintableText(std::string_view bytes) {
    std::string text(bytes);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E)
            c = ' ';
    }
    return text;
}
