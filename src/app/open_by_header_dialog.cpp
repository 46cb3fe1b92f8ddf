#include "open_by_header_dialog.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/dicom_file_listing.h"
#include "app/dicom_tags_widget.h"
#include "app/folder_tree.h"
#include "dicom/dicom_file.h"

namespace veltor {

OpenByHeaderDialog::OpenByHeaderDialog(const QString& startFolder, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Open File"));
    auto* layout = new QVBoxLayout(this);
    auto* split = new QSplitter(this);
    auto* left = new QWidget(split);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    m_tree = new FolderTree(left);
    m_tree->setListFiles(true);
    m_tree->fill();
    m_tree->selectPath(startFolder.isEmpty() ? QDir::currentPath() : startFolder);
    if (m_tree->currentItem() != nullptr) m_tree->currentItem()->setExpanded(true);
    leftLayout->addWidget(m_tree, 1);
    m_previewBox = new QCheckBox(tr("Enable Preview Icon"), left);
    leftLayout->addWidget(m_previewBox);
    m_preview = new QLabel(left);
    m_preview->setFixedSize(128, 128);
    m_preview->setAlignment(Qt::AlignCenter);
    leftLayout->addWidget(m_preview);
    m_tags = new DicomTagsWidget(split);
    split->addWidget(left);
    split->addWidget(m_tags);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_open = new QPushButton(tr("Open"), this);
    m_open->setEnabled(false);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    buttons->addWidget(m_open);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_open, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && !m_tree->isFolder(item)) selectFile(m_tree->fullPath(item));
    });
    connect(m_previewBox, &QCheckBox::toggled, this, [this] { showPreview(); });
    resize(1000, 600);
}

OpenByHeaderDialog::~OpenByHeaderDialog() = default;

bool OpenByHeaderDialog::openEnabled() const { return m_open->isEnabled(); }

bool OpenByHeaderDialog::selectFile(const QString& path) {
    m_tags->setFile(nullptr);
    auto file = std::make_unique<DicomFile>();
    const bool ok = QFileInfo(path).isFile() && file->openFile(path.toLocal8Bit().constData(), true);
    m_file = ok ? std::move(file) : nullptr;
    m_path = ok ? path : QString();
    m_tags->setFile(m_file.get());
    m_open->setEnabled(ok);
    showPreview();
    return ok;
}

void OpenByHeaderDialog::showPreview() {
    m_preview->clear();
    if (!m_previewBox->isChecked() || m_path.isEmpty()) return;
    DicomFile full;
    if (!full.openFile(m_path.toLocal8Bit().constData(), false)) return;
    const std::vector<uint8_t> pixels = full.frame8(1, previewWindow());
    if (pixels.empty()) return;
    const int w = full.columns(), h = full.rows();
    const bool colour = pixels.size() >= size_t(w) * size_t(h) * 3;
    const QImage image(pixels.data(), w, h, colour ? 3 * w : w,
                       colour ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
    m_preview->setPixmap(QPixmap::fromImage(image.scaled(m_preview->size(), Qt::KeepAspectRatio)));
}

} // namespace veltor
