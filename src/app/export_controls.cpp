#include "app/export_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "export/video_export.h"
#include "view/image_size_setup.h"

namespace veltor {

FrameChoiceGroup::FrameChoiceGroup(int frameCount, int currentFrame, const QString& markText,
                                   const QString& unmarkText, bool continual, QWidget* parent)
    : QGroupBox(tr("Frames"), parent), m_marked(size_t(frameCount > 0 ? frameCount : 0), 0), m_current(currentFrame) {
    if (m_current >= 0 && m_current < frameCount) m_marked[size_t(m_current)] = 1;
    m_yes = tr("Yes");
    auto* layout = new QVBoxLayout(this);
    m_currentButton = new QRadioButton(tr("Current frame"), this);
    m_allButton = new QRadioButton(tr("All frames"), this);
    m_selectedButton = new QRadioButton(tr("Selected frames"), this);
    m_currentButton->setChecked(true);
    layout->addWidget(m_currentButton);
    layout->addWidget(m_allButton);
    layout->addWidget(m_selectedButton);
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({tr("Frame"), tr("Export")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setMinimumHeight(120);
    for (int i = 0; i < frameCount; ++i) new QTreeWidgetItem(m_list, {QString::asprintf("%04d", i + 1), QString()});
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    m_mark = new QPushButton(markText, this);
    m_unmark = new QPushButton(unmarkText, this);
    buttons->addWidget(m_mark);
    buttons->addWidget(m_unmark);
    layout->addLayout(buttons);
    if (continual) {
        m_continual = new QCheckBox(tr("Continual numeration"), this);
        layout->addWidget(m_continual);
    }
    // A single frame offers the current frame only.
    const bool many = frameCount > 1;
    m_allButton->setVisible(many);
    m_selectedButton->setVisible(many);
    for (QRadioButton* b : {m_currentButton, m_allButton, m_selectedButton})
        connect(b, &QRadioButton::toggled, this, [this] { refresh(); });
    connect(m_mark, &QPushButton::clicked, this, [this] { markSelected(true); });
    connect(m_unmark, &QPushButton::clicked, this, [this] { markSelected(false); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { refresh(); });
    refresh();
}

FrameChoiceGroup::Choice FrameChoiceGroup::choice() const {
    return m_allButton->isChecked() ? All : m_selectedButton->isChecked() ? Selected : Current;
}

void FrameChoiceGroup::setChoice(Choice choice) {
    (choice == All ? m_allButton : choice == Selected ? m_selectedButton : m_currentButton)->setChecked(true);
    refresh();
}

std::vector<int> FrameChoiceGroup::chosenFrames() const {
    std::vector<int> frames;
    switch (choice()) {
    case Current:
        frames.push_back(m_current);
        break;
    case All:
        for (size_t i = 0; i < m_marked.size(); ++i) frames.push_back(int(i));
        break;
    case Selected:
        for (size_t i = 0; i < m_marked.size(); ++i)
            if (m_marked[i] != 0) frames.push_back(int(i));
        break;
    }
    return frames;
}

void FrameChoiceGroup::setMarked(int frame, bool marked) {
    if (frame < 0 || size_t(frame) >= m_marked.size()) return;
    m_marked[size_t(frame)] = marked ? 1 : 0;
    refresh();
}

bool FrameChoiceGroup::continualNumeration() const { return m_continual != nullptr && m_continual->isChecked(); }

void FrameChoiceGroup::setContinualNumeration(bool on) {
    if (m_continual != nullptr) m_continual->setChecked(on);
}

int FrameChoiceGroup::numberFor(int frame, int running) const {
    return choice() == Selected && continualNumeration() ? running : frame + 1;
}

void FrameChoiceGroup::markSelected(bool marked) {
    for (QTreeWidgetItem* item : m_list->selectedItems()) {
        const int row = m_list->indexOfTopLevelItem(item);
        if (row >= 0 && size_t(row) < m_marked.size()) m_marked[size_t(row)] = marked ? 1 : 0;
    }
    refresh();
}

void FrameChoiceGroup::refresh() {
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        m_list->topLevelItem(i)->setText(1, m_marked[size_t(i)] != 0 ? m_yes : QString());
    const bool selected = choice() == Selected;
    m_list->setEnabled(selected);
    bool anyMarked = false, anyUnmarked = false;
    for (QTreeWidgetItem* item : m_list->selectedItems()) {
        const int row = m_list->indexOfTopLevelItem(item);
        (m_marked[size_t(row)] != 0 ? anyMarked : anyUnmarked) = true;
    }
    m_mark->setEnabled(selected && anyUnmarked);
    m_unmark->setEnabled(selected && anyMarked);
    if (m_continual != nullptr) m_continual->setEnabled(selected);
}

SizeGroup::SizeGroup(int frameWidth, int frameHeight, double zoom, const ExportSizeState& state, int method,
                     QWidget* parent)
    : QGroupBox(tr("Size"), parent), m_frameWidth(frameWidth > 0 ? frameWidth : 1),
      m_frameHeight(frameHeight > 0 ? frameHeight : 1), m_zoom(zoom), m_user(state) {
    if (m_user.width <= 0 || m_user.height <= 0) {
        m_user.width = m_frameWidth;
        m_user.height = m_frameHeight;
    }
    auto* grid = new QGridLayout(this);
    m_mode = new QComboBox(this);
    m_mode->addItems({tr("Actual size"), tr("Scaled size"), tr("User defined size")});
    grid->addWidget(m_mode, 0, 0, 1, 4);
    auto spin = [this](int max) {
        auto* s = new QSpinBox(this);
        s->setRange(1, max);
        s->setSingleStep(1);
        return s;
    };
    m_width = spin(kMaxExportSide);
    m_height = spin(kMaxExportSide);
    m_widthPercent = spin(100000);
    m_heightPercent = spin(100000);
    grid->addWidget(new QLabel(tr("Width :"), this), 1, 0);
    grid->addWidget(m_width, 1, 1);
    grid->addWidget(new QLabel(tr("pixels"), this), 1, 2);
    grid->addWidget(m_widthPercent, 1, 3);
    grid->addWidget(new QLabel(tr("%"), this), 1, 4);
    grid->addWidget(new QLabel(tr("Height :"), this), 2, 0);
    grid->addWidget(m_height, 2, 1);
    grid->addWidget(new QLabel(tr("pixels"), this), 2, 2);
    grid->addWidget(m_heightPercent, 2, 3);
    grid->addWidget(new QLabel(tr("%"), this), 2, 4);
    m_constrain = new QCheckBox(tr("Constrain Proportions"), this);
    grid->addWidget(m_constrain, 3, 0, 1, 4);
    grid->addWidget(new QLabel(tr("Resample :"), this), 4, 0);
    m_method = new QComboBox(this);
    m_method->addItems({QStringLiteral("Nearest Neighbour "), QStringLiteral("Bilinear")});
    m_method->setCurrentIndex(method == 1 ? 1 : 0);
    grid->addWidget(m_method, 4, 1, 1, 3);

    m_constrain->setChecked(state.constrain);
    m_mode->setCurrentIndex(int(state.mode));
    connect(m_mode, &QComboBox::currentIndexChanged, this, [this] { modeChanged(); });
    connect(m_width, &QSpinBox::valueChanged, this, [this] { widthChanged(); });
    connect(m_height, &QSpinBox::valueChanged, this, [this] { heightChanged(); });
    connect(m_widthPercent, &QSpinBox::valueChanged, this, [this](int p) {
        if (!m_updating) m_width->setValue(percentToPixels(p, m_frameWidth));
    });
    connect(m_heightPercent, &QSpinBox::valueChanged, this, [this](int p) {
        if (!m_updating) m_height->setValue(percentToPixels(p, m_frameHeight));
    });
    connect(m_constrain, &QCheckBox::toggled, this, [this](bool on) {
        if (on) m_aspect = double(m_width->value()) / double(m_height->value());
    });
    modeChanged();
}

void SizeGroup::modeChanged() {
    const auto mode = ExportSizeMode(m_mode->currentIndex());
    m_updating = true;
    if (mode == ExportSizeMode::Actual) {
        m_width->setValue(m_frameWidth);
        m_height->setValue(m_frameHeight);
    } else if (mode == ExportSizeMode::Scaled) {
        m_width->setValue(std::max(1, int(std::lround(m_frameWidth * m_zoom))));
        m_height->setValue(std::max(1, int(std::lround(m_frameHeight * m_zoom))));
    } else {
        m_width->setValue(m_user.width);
        m_height->setValue(m_user.height);
    }
    m_updating = false;
    m_aspect = double(m_width->value()) / double(m_height->value());
    showPercents();
    const bool user = mode == ExportSizeMode::UserDefined;
    for (QWidget* w : {static_cast<QWidget*>(m_width), static_cast<QWidget*>(m_height),
                       static_cast<QWidget*>(m_widthPercent), static_cast<QWidget*>(m_heightPercent),
                       static_cast<QWidget*>(m_constrain)})
        w->setEnabled(user);
    m_method->setEnabled(mode != ExportSizeMode::Actual);
}

void SizeGroup::widthChanged() {
    if (m_updating) return;
    if (m_constrain->isChecked()) {
        m_updating = true;
        m_height->setValue(std::max(1, int(std::lround(m_width->value() / m_aspect))));
        m_updating = false;
    }
    if (m_mode->currentIndex() == int(ExportSizeMode::UserDefined)) {
        m_user.width = m_width->value();
        m_user.height = m_height->value();
    }
    showPercents();
}

void SizeGroup::heightChanged() {
    if (m_updating) return;
    if (m_constrain->isChecked()) {
        m_updating = true;
        m_width->setValue(std::max(1, int(std::lround(m_height->value() * m_aspect))));
        m_updating = false;
    }
    if (m_mode->currentIndex() == int(ExportSizeMode::UserDefined)) {
        m_user.width = m_width->value();
        m_user.height = m_height->value();
    }
    showPercents();
}

void SizeGroup::showPercents() {
    const bool was = m_updating;
    m_updating = true;
    m_widthPercent->setValue(int(std::lround(pixelsToPercent(m_width->value(), m_frameWidth))));
    m_heightPercent->setValue(int(std::lround(pixelsToPercent(m_height->value(), m_frameHeight))));
    m_updating = was;
}

ExportSizeState SizeGroup::state() const {
    ExportSizeState s = m_user;
    s.mode = ExportSizeMode(m_mode->currentIndex());
    s.constrain = m_constrain->isChecked();
    return s;
}

int SizeGroup::method() const { return m_method->currentIndex(); }
int SizeGroup::targetWidth() const { return m_width->value(); }
int SizeGroup::targetHeight() const { return m_height->value(); }

QString SizeGroup::problem() const {
    return QString::fromStdString(checkExportSize(targetWidth(), targetHeight()));
}

void SizeGroup::setMode(ExportSizeMode mode) { m_mode->setCurrentIndex(int(mode)); }

void SizeGroup::setPixels(int width, int height) {
    m_width->setValue(width);
    if (!m_constrain->isChecked()) m_height->setValue(height);
}

void SizeGroup::setConstrain(bool on) { m_constrain->setChecked(on); }

} // namespace veltor
