#include "app/video_setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/display_image.h"
#include "app/export_controls.h"
#include "document/kelvo_doc.h"
#include "export/video_export.h"

namespace veltor {

VideoSetupDialog::VideoSetupDialog(CKelvoDoc& doc, double headerFrameTime, bool showCodecs, bool openVideo,
                                   QWidget* parent)
    : QDialog(parent), m_doc(doc), m_speed(doc.frameTime(), headerFrameTime) {
    setWindowTitle(tr("Video Setup"));
    const VideoState& state = doc.exportState().video;
    m_include = state.include;
    m_include.resize(size_t(doc.frameCount()), 1);
    if (state.include.size() != size_t(doc.frameCount())) m_include.assign(size_t(doc.frameCount()), 1);

    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({tr("Frame"), tr("Included")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (int i = 0; i < doc.frameCount(); ++i) new QTreeWidgetItem(m_list, {QString::asprintf("%04d", i + 1), QString()});
    left->addWidget(m_list);
    auto* includeRow = new QHBoxLayout;
    m_includeButton = new QPushButton(tr("Include to video"), this);
    m_excludeButton = new QPushButton(tr("Exclude from video"), this);
    includeRow->addWidget(m_includeButton);
    includeRow->addWidget(m_excludeButton);
    left->addLayout(includeRow);
    m_preview = new QLabel(this);
    m_preview->setFixedSize(128, 128);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameStyle(QFrame::Box);
    left->addWidget(m_preview, 0, Qt::AlignHCenter);
    layout->addLayout(left);

    auto* right = new QVBoxLayout;
    m_codecs = new QCheckBox(tr("Show available CODECs"), this);
    m_open = new QCheckBox(tr("Open video after creation"), this);
    m_codecs->setChecked(showCodecs);
    m_open->setChecked(openVideo);
    right->addWidget(m_codecs);
    right->addWidget(m_open);
    m_colour = new QRadioButton(tr("Export color avi"), this);
    m_mono = new QRadioButton(tr("Export monochrome avi"), this);
    const ImageBuffer* first = doc.frameAt(0);
    const bool colour = state.colour < 0 ? first != nullptr && first->isColour() : state.colour == 1;
    (colour ? m_colour : m_mono)->setChecked(true);
    right->addWidget(m_colour);
    right->addWidget(m_mono);

    auto* speed = new QGroupBox(tr("Frame time"), this);
    auto* speedGrid = new QGridLayout(speed);
    m_speedSelector = new QComboBox(speed);
    m_speedSelector->addItems({QString::fromLatin1(VideoSpeedSetup::kFrameTimeEntry),
                               QString::fromLatin1(VideoSpeedSetup::kFramesPerSecondEntry)});
    speedGrid->addWidget(m_speedSelector, 0, 0, 1, 2);
    m_frameTime = new QLineEdit(speed);
    m_fps = new QLineEdit(speed);
    speedGrid->addWidget(new QLabel(QString::fromLatin1(VideoSpeedSetup::kFrameTimeLabel), speed), 1, 0);
    speedGrid->addWidget(m_frameTime, 1, 1);
    speedGrid->addWidget(new QLabel(QString::fromLatin1(VideoSpeedSetup::kFramesPerSecondLabel), speed), 2, 0);
    speedGrid->addWidget(m_fps, 2, 1);
    m_fromHeader = new QPushButton(QString::fromLatin1(VideoSpeedSetup::kFromHeader), speed);
    speedGrid->addWidget(m_fromHeader, 3, 1);
    right->addWidget(speed);

    const ImageBuffer* current = doc.frameAt(-1);
    m_size = new SizeGroup(current != nullptr ? current->width() : 1, current != nullptr ? current->height() : 1,
                           doc.zoomFactor(), state.size, 0, this);
    right->addWidget(m_size);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    right->addWidget(buttons);
    layout->addLayout(right);

    connect(buttons, &QDialogButtonBox::accepted, this, &VideoSetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { refreshList(); });
    connect(m_list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const int row = m_list->indexOfTopLevelItem(item);
        m_doc.setCurrentFrame(row);
        showPreview(row);
    });
    auto setSelected = [this](uint8_t flag) {
        for (QTreeWidgetItem* item : m_list->selectedItems()) m_include[size_t(m_list->indexOfTopLevelItem(item))] = flag;
        refreshList();
    };
    connect(m_includeButton, &QPushButton::clicked, this, [setSelected] { setSelected(1); });
    connect(m_excludeButton, &QPushButton::clicked, this, [setSelected] { setSelected(0); });
    connect(m_speedSelector, &QComboBox::currentIndexChanged, this, [this](int i) {
        m_speed.select(i == 0 ? SpeedField::FrameTime : SpeedField::FramesPerSecond);
        showSpeed();
    });
    connect(m_frameTime, &QLineEdit::textEdited, this, [this](const QString& t) {
        m_speed.frameTimeTyped(t.toStdString());
        showSpeed();
    });
    connect(m_fps, &QLineEdit::textEdited, this, [this](const QString& t) {
        m_speed.framesPerSecondTyped(t.toStdString());
        showSpeed();
    });
    connect(m_fromHeader, &QPushButton::clicked, this, [this] {
        m_speed.fromHeader();
        showSpeed();
    });
    refreshList();
    showSpeed();
    showPreview(doc.currentFrame());
}

void VideoSetupDialog::refreshList() {
    bool anyIncluded = false, anyExcluded = false;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        item->setText(1, m_include[size_t(i)] != 0 ? tr("Yes") : tr("No"));
        if (item->isSelected()) (m_include[size_t(i)] != 0 ? anyIncluded : anyExcluded) = true;
    }
    m_excludeButton->setEnabled(anyIncluded);
    m_includeButton->setEnabled(anyExcluded);
}

void VideoSetupDialog::showSpeed() {
    if (m_showingSpeed) return;
    m_showingSpeed = true;
    if (m_frameTime->text().toStdString() != m_speed.frameTimeText())
        m_frameTime->setText(QString::fromStdString(m_speed.frameTimeText()));
    if (m_fps->text().toStdString() != m_speed.framesPerSecondText())
        m_fps->setText(QString::fromStdString(m_speed.framesPerSecondText()));
    m_frameTime->setEnabled(m_speed.frameTimeEnabled());
    m_fps->setEnabled(m_speed.framesPerSecondEnabled());
    m_fromHeader->setEnabled(m_speed.fromHeaderEnabled());
    m_showingSpeed = false;
}

void VideoSetupDialog::showPreview(int frame) {
    const ImageBuffer* buffer = m_doc.frameAt(frame);
    if (buffer == nullptr || buffer->display() == nullptr) return;
    const QImage image = displayImageOf(*buffer->display()).mirrored(false, true);
    m_preview->setPixmap(QPixmap::fromImage(image.scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

VideoState VideoSetupDialog::videoState() const {
    VideoState state;
    state.include = m_include;
    state.colour = m_colour->isChecked() ? 1 : 0;
    state.size = m_size->state();
    state.size.width = m_size->targetWidth();
    state.size.height = m_size->targetHeight();
    return state;
}

int VideoSetupDialog::method() const { return m_size->method(); }
bool VideoSetupDialog::showCodecs() const { return m_codecs->isChecked(); }
bool VideoSetupDialog::openVideo() const { return m_open->isChecked(); }

void VideoSetupDialog::setIncluded(int frame, bool included) {
    if (frame < 0 || size_t(frame) >= m_include.size()) return;
    m_include[size_t(frame)] = included ? 1 : 0;
    refreshList();
}

void VideoSetupDialog::setColour(bool colour) { (colour ? m_colour : m_mono)->setChecked(true); }

void VideoSetupDialog::setFrameTimeText(const QString& text) {
    m_speed.select(SpeedField::FrameTime);
    m_speed.frameTimeTyped(text.toStdString());
    showSpeed();
}

QString VideoSetupDialog::problem() const {
    const double time = frameTime();
    const std::string rate = checkFrameRate(time > 0.0 ? 1000.0 / time : 0.0);
    if (!rate.empty()) return QString::fromStdString(rate);
    return m_size->problem();
}

void VideoSetupDialog::accept() {
    const QString why = problem();
    if (!why.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), why);
        return;
    }
    QDialog::accept();
}

} // namespace veltor
