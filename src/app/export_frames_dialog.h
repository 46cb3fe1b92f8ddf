// "Export frames": the current, all or marked frames of a document as
// numbered TIFF, JPEG, raw or BMP files, or as an HTML page, into a folder,
// at the frame's size or a chosen one. "Export" writes and leaves the window
// open; "Close" stores the folders, quality and method.
#pragma once

#include <QDialog>
#include <array>
#include <string>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;
class QSpinBox;

namespace veltor {

class CChildFrame;
class FrameChoiceGroup;
class SettingsStore;
class SizeGroup;

class ExportFramesDialog : public QDialog {
    Q_OBJECT
  public:
    enum Format { Tiff = 0, Jpeg = 1, Raw = 2, Bmp = 3, Html = 4 };

    ExportFramesDialog(CChildFrame& child, SettingsStore& settings, QWidget* parent = nullptr);

    // Writes the chosen frames; the number of files (pages) written.
    int exportFrames();
    // Stores the settings and the size choice in the document (the Close button).
    void storeAndClose();

    // For callers and tests.
    void setFormat(Format format);
    void setDirectory(const QString& folder);
    void setBaseName(const QString& name);
    FrameChoiceGroup* frameChoice() const { return m_frames; }
    SizeGroup* sizeGroup() const { return m_size; }
    void setJpegQuality(int quality);
    void setExportHeader(bool on);
    QString statusText() const;


  private:
    Format format() const;
    void formatChanged();

    CChildFrame& m_child;
    SettingsStore& m_settings;
    std::array<std::string, 5> m_directories;
    bool m_directoryPicked = false;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_directory = nullptr;
    QButtonGroup* m_formats = nullptr;
    QSlider* m_qualitySlider = nullptr;
    QSpinBox* m_quality = nullptr;
    QCheckBox* m_header = nullptr;
    FrameChoiceGroup* m_frames = nullptr;
    SizeGroup* m_size = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace veltor
