#include "app/export_frames_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <sys/stat.h>
#include <unistd.h>

#include "app/child_frame.h"
#include "app/document_exports.h"
#include "app/export_controls.h"
#include "app/export_rendering.h"
#include "app/image_view.h"
#include "document/kelvo_doc.h"
#include "export/export_names.h"
#include "settings/settings_keys.h"

namespace veltor {

namespace {

constexpr settings::ExportKind kKinds[5] = {settings::ExportKind::Tiff, settings::ExportKind::Jpeg,
                                            settings::ExportKind::Raw, settings::ExportKind::Bmp,
                                            settings::ExportKind::Html};
constexpr ExportFormat kFormats[4] = {ExportFormat::Tiff, ExportFormat::Jpeg, ExportFormat::Raw, ExportFormat::Bmp};

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// Why files cannot be written into `folder`, or empty.
QString folderProblem(const std::string& folder) {
    struct stat st {};
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0) return QObject::tr("the folder does not exist");
    if (!S_ISDIR(st.st_mode)) return QObject::tr("it is not a folder");
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return QObject::tr("the folder is not writable");
    return {};
}

} // namespace

ExportFramesDialog::ExportFramesDialog(CChildFrame& child, SettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_child(child), m_settings(settings) {
    setWindowTitle(tr("Export frames"));
    CKelvoDoc& doc = child.document();
    const std::string working = withSlash(QDir::currentPath().toStdString());
    for (int i = 0; i < 5; ++i) {
        const std::string stored = settings::exportDirectory(settings, kKinds[i]);
        m_directories[size_t(i)] = stored.empty() ? working : stored;
    }
    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(tr("File name :"), this), 0, 0);
    m_name = new QLineEdit(QString::fromStdString(exportFramesBaseName(documentFileName(child))), this);
    top->addWidget(m_name, 0, 1, 1, 2);
    top->addWidget(new QLabel(tr("Directory :"), this), 1, 0);
    m_directory = new QLineEdit(QString::fromStdString(m_directories[0]), this);
    top->addWidget(m_directory, 1, 1);
    auto* browse = new QPushButton(tr("Export directory..."), this);
    top->addWidget(browse, 1, 2);
    layout->addLayout(top);

    auto* formats = new QHBoxLayout;
    m_formats = new QButtonGroup(this);
    const char* names[5] = {"TIFF", "JPEG", "RAW", "BMP", "HTML"};
    for (int i = 0; i < 5; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(names[i]), this);
        m_formats->addButton(b, i);
        formats->addWidget(b);
    }
    m_formats->button(0)->setChecked(true);
    layout->addLayout(formats);

    auto* quality = new QHBoxLayout;
    quality->addWidget(new QLabel(tr("JPEG Quality :"), this));
    m_qualitySlider = new QSlider(Qt::Horizontal, this);
    m_qualitySlider->setRange(1, 100);
    m_qualitySlider->setTickInterval(10);
    m_qualitySlider->setTickPosition(QSlider::TicksBelow);
    m_quality = new QSpinBox(this);
    m_quality->setRange(1, 100);
    quality->addWidget(m_qualitySlider);
    quality->addWidget(m_quality);
    m_header = new QCheckBox(tr("Export Header"), this);
    quality->addWidget(m_header);
    layout->addLayout(quality);
    connect(m_qualitySlider, &QSlider::valueChanged, m_quality, &QSpinBox::setValue);
    connect(m_quality, &QSpinBox::valueChanged, m_qualitySlider, &QSlider::setValue);
    m_quality->setValue(settings::exportJpegQuality(settings));

    auto* groups = new QHBoxLayout;
    m_frames = new FrameChoiceGroup(doc.frameCount(), doc.currentFrame(), tr("Export frame(s)"),
                                    tr("Not export frame(s)"), true, this);
    const ImageBuffer* frame = doc.frameAt(-1);
    m_size = new SizeGroup(frame != nullptr ? frame->width() : 1, frame != nullptr ? frame->height() : 1,
                           doc.zoomFactor(), doc.exportState().frames, settings::exportScalingMethod(settings), this);
    groups->addWidget(m_frames);
    groups->addWidget(m_size);
    layout->addLayout(groups);

    m_status = new QLabel(this);
    layout->addWidget(m_status);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* exportButton = new QPushButton(tr("Export"), this);
    auto* close = new QPushButton(tr("Close"), this);
    buttons->addWidget(exportButton);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    exportButton->setDefault(true);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, tr("Export directory"), m_directory->text());
        if (folder.isEmpty()) return;
        m_directoryPicked = true;
        m_directory->setText(QString::fromStdString(withSlash(folder.toStdString())));
    });
    connect(m_formats, &QButtonGroup::idClicked, this, [this] { formatChanged(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { exportFrames(); });
    connect(close, &QPushButton::clicked, this, [this] { storeAndClose(); });
    formatChanged();
}

ExportFramesDialog::Format ExportFramesDialog::format() const { return Format(m_formats->checkedId()); }

void ExportFramesDialog::formatChanged() {
    if (!m_directoryPicked) m_directory->setText(QString::fromStdString(m_directories[size_t(format())]));
    const bool jpeg = format() == Jpeg || format() == Html;
    m_qualitySlider->setEnabled(jpeg);
    m_quality->setEnabled(jpeg);
    m_header->setEnabled(format() == Html);
}

void ExportFramesDialog::setFormat(Format f) {
    m_formats->button(int(f))->setChecked(true);
    formatChanged();
}
void ExportFramesDialog::setDirectory(const QString& folder) { m_directory->setText(folder); }
void ExportFramesDialog::setBaseName(const QString& name) { m_name->setText(name); }
void ExportFramesDialog::setJpegQuality(int quality) { m_quality->setValue(quality); }
void ExportFramesDialog::setExportHeader(bool on) { m_header->setChecked(on); }
QString ExportFramesDialog::statusText() const { return m_status->text(); }

int ExportFramesDialog::exportFrames() {
    const std::string folder = withSlash(m_directory->text().toStdString());
    m_directories[size_t(format())] = folder;
    m_directory->setText(QString::fromStdString(folder));
    const std::string base = m_name->text().toStdString();
    const QString problem = folderProblem(folder);
    if (base.empty() || !problem.isEmpty() || !m_size->problem().isEmpty()) {
        const QString why = base.empty() ? tr("no file name is given") : !problem.isEmpty() ? problem : m_size->problem();
        QMessageBox::critical(this, windowTitle(), tr("File creation error") + QStringLiteral("\n") +
                                                       QString::fromStdString(folder) + QStringLiteral(": ") + why);
        return 0;
    }
    const bool resize = m_size->state().mode != ExportSizeMode::Actual;
    const int width = m_size->targetWidth(), height = m_size->targetHeight(), method = m_size->method();
    const int quality = m_quality->value();
    const std::vector<int> frames = m_frames->chosenFrames();
    int written = 0, failed = 0;
    if (format() == Html) {
        DocumentHtmlRequest request;
        request.pagePath = folder + base + ".html";
        request.imageFolder = folder + base + "_files";
        request.sourcePrefix = request.imageFolder + "/";
        request.title = base;
        request.header = m_header->isChecked();
        request.frames = frames;
        request.frameTable = !frames.empty();
        for (size_t i = 0; i < frames.size(); ++i)
            request.numbers.push_back(m_frames->numberFor(frames[i], int(i + 1)));
        request.jpegQuality = quality;
        if (resize) {
            request.width = width;
            request.height = height;
            request.method = method;
        }
        writeDocumentHtml(m_child, m_settings, request).ok() ? ++written : ++failed;
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const ExportFormat f = kFormats[format()];
        int running = 0;
        for (const int frame : frames) {
            std::vector<uint8_t> bitmap = RenderFrameForExport(*m_child.imageView(), frame);
            if (resize) bitmap = sizedExportBitmap(std::move(bitmap), width, height, method);
            const std::string path =
                folder + exportFrameFileName(base, m_frames->numberFor(frame, ++running), f);
            if (!bitmap.empty() && writeExportBitmap(f, path.c_str(), bitmap.data(), bitmap.size(), quality).ok())
                ++written;
            else
                ++failed;
            QApplication::processEvents();
        }
        QApplication::restoreOverrideCursor();
    }
    m_status->setText(failed == 0 ? tr("%n file(s) written", nullptr, written)
                                  : tr("%1 file(s) written, %2 could not be written").arg(written).arg(failed));
    return written;
}

void ExportFramesDialog::storeAndClose() {
    for (int i = 0; i < 5; ++i) settings::setExportDirectory(m_settings, kKinds[i], m_directories[size_t(i)]);
    settings::setExportJpegQuality(m_settings, m_quality->value());
    settings::setExportScalingMethod(m_settings, m_size->method());
    settings::setUseScalingAtExport(m_settings, m_size->state().mode != ExportSizeMode::Actual);
    m_child.document().exportState().frames = m_size->state();
    accept();
}


} // namespace veltor
