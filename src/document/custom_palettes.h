// Colour palettes of grey frames: the custom palette files, the palette list,
// setting a palette on one or all frames, and saving a file's own palette.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/palettes.h"

namespace veltor {

class CKelvoDoc;
class DicomFile;

constexpr const char* kNoCustomPalettes = "(Not Found)";
constexpr const char* kCannotCreateFile = "I can n't create the file!    ";
constexpr int kCustomPaletteCommand = 37001; // + index; 37000 is "(Not Found)"

// A custom palette: a name of at most 127 characters and three tables of 256
// values, of which the low 8 bits are shown.
struct PaletteBlock {
    std::string name;
    std::array<int32_t, 256> red{};
    std::array<int32_t, 256> green{};
    std::array<int32_t, 256> blue{};

    PaletteTable table() const;
};

// Reads one palette file: the first word is the name, then up to 256 entries
// of three integers until the file ends or a value cannot be read; missing
// entries stay 0. False for a file without a name.
bool readPaletteFile(const std::string& path, PaletteBlock& out);
// Reads every "*.txt" of `folder`, in name order. A missing folder gives none.
std::vector<PaletteBlock> loadCustomPalettes(const std::string& folder);
// Writes the name and 256 lines "%d\t%d\t%d\n"; false when the file cannot be made.
bool writePaletteFile(const std::string& path, const PaletteBlock& block);

// "Blackbody" ... "Spectrum" as the palette list shows them, then the custom names.
std::vector<std::string> paletteListNames(const std::vector<PaletteBlock>& custom);

// Built-in palette `number` on every frame when applyToAll, else the current
// frame; grey frames only; each frame changed gets an image history entry.
int setBuiltinPalette(CKelvoDoc& doc, int number);
// Custom palette `index` on every frame when all frames are alike, else the
// current frame.
int setCustomPalette(CKelvoDoc& doc, const PaletteBlock& block);

// The palette block of a PALETTE COLOR file: named after its Manufacturer
// value without its last character ("NewPalette" without one), blanks as '_'.
bool extractPalette(DicomFile& file, PaletteBlock& out);

} // namespace veltor
