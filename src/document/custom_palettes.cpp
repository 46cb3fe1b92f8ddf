#include "custom_palettes.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <climits>

#include "dicom/dicom_file.h"
#include "document/kelvo_doc.h"

namespace veltor {

namespace {

// Palette files are small; anything past this is not read.
constexpr size_t kMaxPaletteFile = 1 << 20;
constexpr size_t kMaxName = 127;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Word scanner over the file's text; NUL bytes count as blanks.
struct Words {
    std::string text;
    size_t at = 0;
    bool next(std::string& word) {
        while (at < text.size() && (isBlank(text[at]) || text[at] == '\0')) ++at;
        if (at >= text.size()) return false;
        const size_t start = at;
        while (at < text.size() && !isBlank(text[at]) && text[at] != '\0') ++at;
        word = text.substr(start, at - start);
        return true;
    }
};

// A whole decimal integer, saturated to 32 bits; false for anything else.
bool toInt(const std::string& word, int32_t& out) {
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(word.c_str(), &end, 10);
    if (end == word.c_str() || *end != '\0') return false;
    out = static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
    return true;
}

} // namespace

PaletteTable PaletteBlock::table() const {
    PaletteTable t;
    for (size_t i = 0; i < 256; ++i) {
        t[i].red = static_cast<uint8_t>(red[i] & 0xFF);
        t[i].green = static_cast<uint8_t>(green[i] & 0xFF);
        t[i].blue = static_cast<uint8_t>(blue[i] & 0xFF);
    }
    return t;
}

bool readPaletteFile(const std::string& path, PaletteBlock& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    Words words;
    words.text.resize(kMaxPaletteFile);
    words.text.resize(std::fread(words.text.data(), 1, kMaxPaletteFile, f));
    std::fclose(f);
    std::string name;
    if (!words.next(name) || name.empty()) return false;
    out = PaletteBlock{};
    out.name = name.substr(0, kMaxName);
    std::string r, g, b;
    for (size_t i = 0; i < 256; ++i) {
        int32_t vr = 0, vg = 0, vb = 0;
        if (!words.next(r) || !toInt(r, vr) || !words.next(g) || !toInt(g, vg) || !words.next(b) ||
            !toInt(b, vb))
            break;
        out.red[i] = vr;
        out.green[i] = vg;
        out.blue[i] = vb;
    }
    return true;
}

std::vector<PaletteBlock> loadCustomPalettes(const std::string& folder) {
    std::vector<PaletteBlock> palettes;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return palettes;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        const std::string n = e->d_name;
        if (n.size() > 4 && n.compare(n.size() - 4, 4, ".txt") == 0) names.push_back(n);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const std::string& n : names) {
        PaletteBlock block;
        if (readPaletteFile(base + n, block)) palettes.push_back(std::move(block));
    }
    return palettes;
}

bool writePaletteFile(const std::string& path, const PaletteBlock& block) {
    FILE* f = std::fopen(path.c_str(), "w+");
    if (f == nullptr) return false;
    std::string name = block.name;
    std::replace(name.begin(), name.end(), ' ', '_');
    bool ok = std::fprintf(f, "%s\n", name.c_str()) >= 0;
    for (size_t i = 0; i < 256 && ok; ++i)
        ok = std::fprintf(f, "%d\t%d\t%d\n", block.red[i], block.green[i], block.blue[i]) >= 0;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

std::vector<std::string> paletteListNames(const std::vector<PaletteBlock>& custom) {
    std::vector<std::string> names = {"Blackbody", "Cardiac", "Fiveramp", "Flow",     "Fusion16", "GE_Color",
                                      "GrayRain",  "Grayscale", "Hotiron", "NIH",     "Spectrum"};
    for (const PaletteBlock& b : custom) names.push_back(b.name);
    return names;
}

int setBuiltinPalette(CKelvoDoc& doc, int number) {
    if (number < 0 || number >= kBuiltinPaletteCount) return 0;
    return doc.editFrames(
        doc.applyToAll(), [&](ImageBuffer& f) { return f.setPalette(number, true); }, true);
}

int setCustomPalette(CKelvoDoc& doc, const PaletteBlock& block) {
    const PaletteTable table = block.table();
    return doc.editFrames(
        doc.allFramesAlike(), [&](ImageBuffer& f) { return f.setPalette(kCustomPaletteNumber, true, &table); }, true);
}

bool extractPalette(DicomFile& file, PaletteBlock& out) {
    if (!file.isPaletteColor()) return false;
    out = PaletteBlock{};
    DicomElement e;
    if (file.findElementByTag(0x0008, 0x0070, e)) {
        std::string name = e.text();
        if (!name.empty()) name.pop_back();
        out.name = name.substr(0, kMaxName);
    } else {
        out.name = "NewPalette";
    }
    std::replace(out.name.begin(), out.name.end(), ' ', '_');
    const std::vector<uint8_t> r = file.paletteTable(0), g = file.paletteTable(1), b = file.paletteTable(2);
    if (r.size() != 256 || g.size() != 256 || b.size() != 256) return false;
    for (size_t i = 0; i < 256; ++i) {
        out.red[i] = r[i];
        out.green[i] = g[i];
        out.blue[i] = b[i];
    }
    return true;
}

} // namespace veltor
