#include "app/select_copy_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/export_controls.h"
#include "document/kelvo_doc.h"
#include "settings/settings_keys.h"

namespace veltor {

SelectCopyDialog::SelectCopyDialog(CKelvoDoc& doc, SettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(tr("Select items to copy"));
    auto* layout = new QVBoxLayout(this);
    auto* boxes = new QHBoxLayout;
    m_header = new QCheckBox(tr("Copy Header"), this);
    m_copyFrames = new QCheckBox(tr("Copy Frames"), this);
    m_header->setChecked(true);
    m_copyFrames->setChecked(true);
    boxes->addWidget(m_header);
    boxes->addWidget(m_copyFrames);
    layout->addLayout(boxes);
    auto* groups = new QHBoxLayout;
    m_frames = new FrameChoiceGroup(doc.frameCount(), doc.currentFrame(), tr("Copy frame(s)"), tr("Not copy frame(s)"),
                                    false, this);
    const ImageBuffer* frame = doc.frameAt(-1);
    m_size = new SizeGroup(frame != nullptr ? frame->width() : 1, frame != nullptr ? frame->height() : 1,
                           doc.zoomFactor(), doc.exportState().frames, settings::exportScalingMethod(settings), this);
    groups->addWidget(m_frames);
    groups->addWidget(m_size);
    layout->addLayout(groups);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SelectCopyDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_copyFrames, &QCheckBox::toggled, m_frames, &QWidget::setEnabled);
}

bool SelectCopyDialog::copyHeader() const { return m_header->isChecked(); }
bool SelectCopyDialog::copyFrames() const { return m_copyFrames->isChecked(); }
std::vector<int> SelectCopyDialog::frames() const { return m_frames->chosenFrames(); }
void SelectCopyDialog::setCopyHeader(bool on) { m_header->setChecked(on); }
void SelectCopyDialog::setCopyFrames(bool on) { m_copyFrames->setChecked(on); }

void SelectCopyDialog::accept() {
    settings::setExportScalingMethod(m_settings, m_size->method());
    QDialog::accept();
}

} // namespace veltor
