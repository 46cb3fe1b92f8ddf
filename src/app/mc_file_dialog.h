// MCFileDialog: the open-file dialog with a preview of the file under the
// cursor (a picture of its first frame and its key header values), "View
// Header...", "Open as single file" for several files, and favourite folders.
#pragma once

#include <QFileDialog>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace veltor {

class DicomFile;
class SettingsStore;

class MCFileDialog : public QFileDialog {
    Q_OBJECT
  public:
    MCFileDialog(SettingsStore& settings, bool showOpenAsSingle, const QString& folder,
                 QWidget* parent = nullptr);
    ~MCFileDialog() override;

    // Whether "Open as single file" was ticked when the dialog closed.
    bool openAsSingleFile() const;
    QCheckBox* openAsSingleBox() const { return m_single; }
    QCheckBox* showPreviewBox() const { return m_showPreview; }
    QLabel* picture() const { return m_picture; }
    // The information lines: "Patient's Name :", "Study ID :", "Date :",
    // "Modality :", "Frames :", "Size :".
    QLabel* infoLine(int index) const { return index >= 0 && index < 6 ? m_info[index] : nullptr; }
    QPushButton* viewHeaderButton() const { return m_viewHeader; }
    QToolButton* favoritesButton() const { return m_favorites; }
    // The favourites menu as it is built when the button is pressed.
    void fillFavoritesMenu(QMenu* menu);
    // Refreshes the preview from the file-name field.
    void selectionChanged();
    // "Add Favorite" / "Remove Favorite" of the folder shown.
    void addFavorite();
    void removeFavorite();
    // Goes to the favourite at `position`; a missing folder is reported and removed.
    void goToFavorite(int position);

  protected:
    void done(int result) override;

  private:
    void clearPreview();

    SettingsStore& m_settings;
    QCheckBox* m_single = nullptr;
    QCheckBox* m_showPreview = nullptr;
    QLabel* m_picture = nullptr;
    QLabel* m_info[6] = {};
    QPushButton* m_viewHeader = nullptr;
    QToolButton* m_favorites = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    std::unique_ptr<DicomFile> m_previewFile;
    QString m_previewPath;
};

} // namespace veltor
