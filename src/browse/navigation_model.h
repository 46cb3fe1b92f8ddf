// The navigation bar's state: the folders visited, each with its DICOM files
// in natural order and the current position, and the rules for First,
// Previous, Next, Last and for a file opened some other way.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace veltor::browse {

struct NavigationEntry {
    std::string folder;             // with a trailing '/'
    std::vector<std::string> files; // names, natural order (later additions appended)
    int position = -1;              // -1: no current file
};

// The files of a folder that open as documents (DICOM or raster images), in
// natural order. `progress` runs before each file (a GUI keeps its window
// responsive there).
std::vector<std::string> readableFiles(const std::string& folder,
                                       const std::function<void()>& progress = {});

class NavigationModel {
  public:
    using Scanner = std::function<std::vector<std::string>(const std::string& folder)>;
    explicit NavigationModel(Scanner scanner = {});

    // Makes a folder current: an entry already held (compared without regard
    // to case) is selected; otherwise one is appended and scanned. Returns
    // true when a new entry was scanned.
    bool selectFolder(const std::string& folder);
    // Selects the entry at `index` (a choice in the folder combo).
    void selectEntry(int index);
    // A file was opened: its folder becomes current and the file the current
    // position; a name not in the list is appended.
    void syncToOpenedFile(const std::string& path);
    // Scans the selected folder again; no file is current afterwards.
    void refresh();

    enum class Step { First, Previous, Next, Last };
    bool canStep(Step step) const;
    // Moves the position and returns the path to open; empty when not possible.
    std::string step(Step step);
    // A choice in the file combo: the path to open.
    std::string choose(int index);

    const std::vector<NavigationEntry>& entries() const { return m_entries; }
    int selected() const { return m_selected; }
    const NavigationEntry* current() const;
    // "%d/%d": position + 1 and the number of files.
    std::string positionText() const;
    std::string currentPath() const;

  private:
    Scanner m_scanner;
    std::vector<NavigationEntry> m_entries;
    int m_selected = -1;
};

// A combo's tool tip: the text, or its first 79 characters when longer than 80.
std::string comboTip(const std::string& text);

} // namespace veltor::browse
