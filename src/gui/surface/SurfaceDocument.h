#pragma once

#include "files/ProgramFile.h"
#include "model/ProgramContainer.h"
#include "model/ProgramImage.h"

#include <string>

// The document of one child window: the settings being edited and the program bank. The same
// class serves the selection screen and the three control surfaces; a new one is made for every
// switch of the device type, so a new surface always starts from a default program.
class SurfaceDocument {
public:
    SurfaceDocument() = default;
    SurfaceDocument(const SurfaceDocument&) = delete;
    SurfaceDocument& operator=(const SurfaceDocument&) = delete;

    // The program container the control surface edits (it keeps a pointer to it).
    ProgramContainer& Data() { return m_data; }
    const ProgramContainer& Data() const { return m_data; }
    // Programs 1..30 as bank entries 0..29. Every entry is overwritten as a whole (by the
    // programs read from the unit or by a library file) before it is sent or saved.
    ProgramBank& Bank() { return m_bank; }
    const ProgramBank& Bank() const { return m_bank; }
    // Work image used only while the bank is serialised.
    ProgramImage& Scratch() { return m_scratch; }

    // A new document has an empty title.
    const std::string& Title() const { return m_title; }
    void SetTitle(std::string title) { m_title = std::move(title); }

private:
    ProgramContainer m_data;
    ProgramBank m_bank{};
    ProgramImage m_scratch{};
    std::string m_title;
};
