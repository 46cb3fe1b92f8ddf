#include "mc_file_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/browse_support.h"
#include "app/dicom_file_listing.h"
#include "app/dicom_tags_widget.h"
#include "browse/favorite_folders.h"
#include "browse/thumbnail.h"
#include "dicom/dicom_file.h"
#include "settings/settings_keys.h"

namespace veltor {

namespace {

constexpr int kPreviewSize = 128;
constexpr int kAddFavoriteId = 33191;
constexpr int kRemoveFavoriteId = 33192;
constexpr int kFirstFavoriteId = 36000;

const char* const kCaptions[] = {
    "Patient's Name :", "Study ID :", "Date :", "Modality :", "Frames :", "Size :"};

// The names in the file-name field: one bare name, or several in quotes.
QStringList namesOf(const QString& text) {
    if (!text.contains(QLatin1Char('"'))) return {text.trimmed()};
    QStringList names;
    const QStringList parts = text.split(QLatin1Char('"'));
    for (int i = 1; i < parts.size(); i += 2)
        if (!parts[i].isEmpty()) names << parts[i];
    return names;
}

QString textOf(const DicomFile& f, uint16_t group, uint16_t element, bool& found) {
    DicomElement e;
    found = f.findElementByTag(group, element, e);
    return found ? QString::fromLatin1(e.text()).trimmed() : QString();
}

} // namespace

MCFileDialog::MCFileDialog(SettingsStore& settings, bool showOpenAsSingle, const QString& folder,
                           QWidget* parent)
    : QFileDialog(parent, tr("Open"), folder), m_settings(settings) {
    setObjectName(QStringLiteral("MCFileDialog"));
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ReadOnly, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilters(
        {tr("All Files (*)"), tr("Bitmap Files (*.bmp)"), tr("JPEG Files (*.jpg *.jpe)")});

    QFont small(QStringLiteral("MS Sans Serif"));
    small.setPointSize(8);
    auto* extras = new QWidget(this);
    extras->setFont(small);
    auto* extraLayout = new QHBoxLayout(extras);
    extraLayout->setContentsMargins(0, 0, 0, 0);
    auto* left = new QVBoxLayout;
    m_single = new QCheckBox(tr("Open as single file"), extras);
    m_single->setChecked(true);
    m_single->setEnabled(false);
    m_single->setVisible(showOpenAsSingle);
    m_showPreview = new QCheckBox(tr("Show preview"), extras);
    m_showPreview->setChecked(settings::previewIcons(m_settings));
    left->addWidget(m_single);
    left->addWidget(m_showPreview);
    for (int i = 0; i < 6; ++i) {
        m_info[i] = new QLabel(QString::fromLatin1(kCaptions[i]), extras);
        m_info[i]->setMinimumWidth(220);
        m_info[i]->setMaximumWidth(220);
        left->addWidget(m_info[i]);
    }
    m_viewHeader = new QPushButton(tr("View Header..."), extras);
    m_viewHeader->setEnabled(false);
    left->addWidget(m_viewHeader);
    left->addStretch(1);
    m_picture = new QLabel(extras);
    m_picture->setFixedSize(kPreviewSize, kPreviewSize);
    m_picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_picture->setAlignment(Qt::AlignCenter);
    extraLayout->addLayout(left);
    extraLayout->addWidget(m_picture, 0, Qt::AlignTop);
    extraLayout->addStretch(1);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(extras, grid->rowCount(), 0, 1, -1);

    // "Favorites" at the end of the dialog's own toolbar.
    m_favorites = new QToolButton(this);
    m_favorites->setText(tr("Favorites"));
    m_favorites->setToolTip(tr("Favorites"));
    m_favorites->setObjectName(QStringLiteral("favoritesButton"));
    m_favorites->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_favorites);
    m_favorites->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { fillFavoritesMenu(menu); });
    QWidget* anchor = findChild<QWidget*>(QStringLiteral("detailModeButton"));
    QBoxLayout* bar = nullptr;
    if (anchor != nullptr && anchor->parentWidget() != nullptr) {
        const QList<QBoxLayout*> boxes = anchor->parentWidget()->findChildren<QBoxLayout*>();
        for (QBoxLayout* box : boxes)
            if (box->indexOf(anchor) >= 0) bar = box;
    }
    if (bar != nullptr)
        bar->addWidget(m_favorites);
    else
        extraLayout->addWidget(m_favorites, 0, Qt::AlignTop);

    m_nameEdit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (m_nameEdit != nullptr)
        connect(m_nameEdit, &QLineEdit::textChanged, this, &MCFileDialog::selectionChanged);
    connect(m_showPreview, &QCheckBox::clicked, this, &MCFileDialog::selectionChanged);
    connect(m_viewHeader, &QPushButton::clicked, this, [this] {
        if (!m_previewFile) return;
        DicomTagsDialog dialog(*m_previewFile, m_previewPath, this);
        dialog.exec();
    });
}

MCFileDialog::~MCFileDialog() = default;

bool MCFileDialog::openAsSingleFile() const {
    return m_single->isChecked();
}

void MCFileDialog::clearPreview() {
    for (int i = 0; i < 6; ++i)
        m_info[i]->setText(QString::fromLatin1(kCaptions[i]));
    m_picture->clear();
    m_viewHeader->setEnabled(false);
}

void MCFileDialog::selectionChanged() {
    const QString text = m_nameEdit != nullptr ? m_nameEdit->text() : QString();
    if (text.trimmed().isEmpty()) {
        m_picture->clear();
        return;
    }
    const QStringList names = namesOf(text);
    if (names.isEmpty()) return;
    if (names.size() == 1 && !text.contains(QLatin1Char('"'))) {
        m_single->setChecked(true);
        m_single->setEnabled(false);
    } else {
        m_single->setEnabled(true);
    }
    const QString name = names.front();
    const QString path = QFileInfo(name).isAbsolute() ? name : directory().absoluteFilePath(name);
    auto header = std::make_unique<DicomFile>();
    if (!QFileInfo(path).isFile() || !header->openFile(localPath(path).c_str(), true)) {
        clearPreview();
        return;
    }
    std::unique_ptr<DicomFile> full;
    if (m_showPreview->isChecked()) {
        full = std::make_unique<DicomFile>();
        if (!full->openFile(localPath(path).c_str(), false)) full.reset();
    }
    const DicomFile& shown = full ? *full : *header;
    const QFontMetrics metrics(m_info[0]->font());
    const int width = m_info[0]->maximumWidth();
    auto line = [&](int i, uint16_t group, uint16_t element, bool fit) {
        bool found = false;
        const QString value = textOf(shown, group, element, found);
        const QString caption = QString::fromLatin1(kCaptions[i]);
        const QString text = found ? caption + QLatin1Char(' ') + value : caption;
        m_info[i]->setText(fit ? fittedText(text, width, metrics) : text);
    };
    line(0, 0x0010, 0x0010, true);
    line(1, 0x0020, 0x0010, true);
    line(2, 0x0008, 0x0020, true);
    line(3, 0x0008, 0x0060, false);
    m_info[4]->setText(QString::fromLatin1(kCaptions[4]) +
                       QStringLiteral(" %1").arg(shown.frameCount()));
    const QString size = QString::fromLatin1(kCaptions[5]) +
                         QStringLiteral(" %1KB").arg(QFileInfo(path).size() / 1024);
    m_info[5]->setText(fittedText(size, width, metrics));
    m_picture->clear();
    if (full) {
        const browse::Thumbnail t = browse::makeThumbnail(*full, kPreviewSize, previewWindow());
        if (!t.empty()) m_picture->setPixmap(QPixmap::fromImage(thumbnailImage(t)));
    }
    m_previewFile = full ? std::move(full) : std::move(header);
    m_previewPath = path;
    m_viewHeader->setEnabled(true);
}

void MCFileDialog::fillFavoritesMenu(QMenu* menu) {
    menu->clear();
    browse::FavoriteFolders favorites(m_settings);
    const std::string here = browse::favoriteForm(localPath(directory().absolutePath()));
    QAction* add = menu->addAction(tr("Add Favorite"), this, &MCFileDialog::addFavorite);
    add->setData(kAddFavoriteId);
    QAction* remove = menu->addAction(tr("Remove Favorite"), this, &MCFileDialog::removeFavorite);
    remove->setData(kRemoveFavoriteId);
    remove->setEnabled(favorites.find(here) != 0);
    const int n = favorites.count();
    if (n == 0) return;
    menu->addSeparator();
    for (int i = 1; i <= n && i <= browse::kMaxFavoriteEntries; ++i) {
        const QString label = displayPath(browse::shortenedFavorite(favorites.at(i)));
        QAction* entry = menu->addAction(label, this, [this, i] { goToFavorite(i); });
        entry->setData(kFirstFavoriteId + i - 1);
    }
}

void MCFileDialog::addFavorite() {
    browse::FavoriteFolders(m_settings)
        .add(browse::favoriteForm(localPath(directory().absolutePath())));
}

void MCFileDialog::removeFavorite() {
    browse::FavoriteFolders(m_settings)
        .remove(browse::favoriteForm(localPath(directory().absolutePath())));
}

void MCFileDialog::goToFavorite(int position) {
    browse::FavoriteFolders favorites(m_settings);
    const std::string folder = favorites.at(position);
    if (folder.empty()) return;
    const QString path = displayPath(folder);
    if (!QFileInfo(path).isDir() || !QDir::setCurrent(path)) {
        QMessageBox::information(this, QString(),
                                 QString::asprintf("Directory %s not found!", folder.c_str()));
        favorites.remove(folder);
        return;
    }
    setDirectory(path);
    if (m_nameEdit != nullptr) m_nameEdit->clear();
}

void MCFileDialog::done(int result) {
    settings::setPreviewIcons(m_settings, m_showPreview->isChecked());
    m_previewFile.reset();
    QFileDialog::done(result);
}

} // namespace veltor
