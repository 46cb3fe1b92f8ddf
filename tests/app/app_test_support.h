// Helpers shared by the GUI tests: finding actions by caption and writing
// small DICOM fixtures.
#pragma once

#include <QAction>
#include <QTemporaryDir>
#include <QString>
#include <QWidget>

#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "dicom_bytes.h"
#include "settings/qt/qsettings_store.h"
#include "settings/user_options.h"

namespace veltor::apptest {

// A shown main window over settings in a temporary folder:
//     MainWindowUnderTest fixture;
//     auto& [dir, settings, options, w] = fixture;
struct MainWindowUnderTest {
    QTemporaryDir dir;
    veltor::QSettingsStore settings{(dir.path() + "/s.ini").toStdString()};
    veltor::UserOptions options;
    veltor::CMainFrame w{settings, options};
    MainWindowUnderTest() { w.show(); }
};

inline QAction* actionNamed(QWidget& w, const QString& text) {
    for (QAction* a : w.findChildren<QAction*>())
        if (a->text() == text) return a;
    return nullptr;
}

inline bool writeFile(const QString& path, const std::string& bytes) {
    FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Three 8-bit frames of 4 x 2 pixels, 10 ms apart.
inline QString writeMultiFrame(const QString& folder) {
    veltor::testing::DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0018, 0x1063, "DS", "10");
    b.element(0x0028, 0x0008, "IS", "3 ");
    b.element(0x0028, 0x0010, "US", std::string("\x02\x00", 2));
    b.element(0x0028, 0x0011, "US", std::string("\x04\x00", 2));
    b.element(0x7FE0, 0x0010, "OB", std::string(24, '\x10'));
    const QString path = folder + "/three.dcm";
    writeFile(path, std::string(reinterpret_cast<const char*>(b.bytes().data()), b.size()));
    return path;
}

// `frames` 16-bit frames of `size` x `size` pixels (12 bits stored) whose
// samples run from 0 to 4095, no window in the header.
inline QString writeSixteenBit(const QString& folder, int frames, int size) {
    veltor::testing::DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0028, 0x0002, "US", std::string("\x01\x00", 2));
    b.element(0x0028, 0x0004, "CS", "MONOCHROME2 ");
    b.element(0x0028, 0x0008, "IS", frames < 10 ? std::to_string(frames) + " " : std::to_string(frames));
    const std::string side{char(size & 0xFF), char(size >> 8)};
    b.element(0x0028, 0x0010, "US", side);
    b.element(0x0028, 0x0011, "US", side);
    b.element(0x0028, 0x0100, "US", std::string("\x10\x00", 2));
    b.element(0x0028, 0x0101, "US", std::string("\x0C\x00", 2));
    b.element(0x0028, 0x0102, "US", std::string("\x0B\x00", 2));
    b.element(0x0028, 0x0103, "US", std::string("\x00\x00", 2));
    std::string pixels;
    const int count = size * size;
    for (int f = 0; f < frames; ++f)
        for (int i = 0; i < count; ++i) {
            const int v = count > 1 ? i * 4095 / (count - 1) : 0;
            pixels += char(v & 0xFF);
            pixels += char(v >> 8);
        }
    b.element(0x7FE0, 0x0010, "OW", pixels);
    const QString path = folder + "/ramp16.dcm";
    writeFile(path, std::string(reinterpret_cast<const char*>(b.bytes().data()), b.size()));
    return path;
}

} // namespace veltor::apptest
