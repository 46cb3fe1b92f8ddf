#include "app/info_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/pixel_spacing_dialog.h"
#include "document/kelvo_doc.h"
#include "view/frame_statistics.h"

namespace veltor {

InfoDialog::InfoDialog(CKelvoDoc& doc, QWidget* parent) : QDialog(parent), m_doc(doc) {
    setWindowTitle(tr("Info"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget(this);
    const QStringList columns = {tr("Frame"),         tr("Voxels"),     tr("Min Value"),   tr("Max Value"),
                                 tr("Mean Value"),    tr("Std Deviation"), tr("Area (cm2)"), tr("Volume (cm3)")};
    const int widths[] = {60, 80, 90, 90, 90, 100, 100, 100};
    m_list->setColumnCount(int(columns.size()));
    m_list->setHeaderLabels(columns);
    for (int i = 0; i < columns.size(); ++i) m_list->setColumnWidth(i, widths[i]);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setStyleSheet(QStringLiteral("QTreeView::item { border: 1px solid #d0d0d0; }"));
    m_list->setMinimumWidth(720);
    layout->addWidget(m_list, 1);
    auto* form = new QFormLayout;
    const QString names[3] = {tr("Pixel Spacing X:"), tr("Pixel Spacing Y:"), tr("Slice Thickness:")};
    for (int i = 0; i < 3; ++i) {
        m_spacing[i] = new QLabel(this);
        form->addRow(names[i], m_spacing[i]);
    }
    layout->addLayout(form);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* setup = box->addButton(tr("Set Pixel Spacing and Slice Thickness..."), QDialogButtonBox::ActionRole);
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(setup, &QPushButton::clicked, this, [this] {
        PixelSpacingDialog dialog(m_doc, this);
        if (dialog.exec() != QDialog::Accepted) return;
        rebuild();
        emit spacingChanged();
    });
    rebuild();
}

void InfoDialog::rebuild() {
    std::vector<InfoFrame> frames;
    frames.reserve(size_t(m_doc.frameCount()));
    for (int32_t i = 0; i < m_doc.frameCount(); ++i) {
        const ImageBuffer* f = m_doc.frameAt(i);
        InfoFrame info;
        if (f != nullptr) {
            info.statistics = frameStatistics(*f);
            info.hasSelection = f->selection() != nullptr && f->selection()->hasOutline();
        }
        frames.push_back(std::move(info));
    }
    m_list->clear();
    for (const InfoRow& r : infoRows(frames, m_doc.pixelSpacingRow(), m_doc.pixelSpacingColumn(), m_doc.sliceThickness())) {
        const QStringList cells = {QString::fromStdString(r.frame),   QString::fromStdString(r.voxels),
                                   QString::fromStdString(r.minimum), QString::fromStdString(r.maximum),
                                   QString::fromStdString(r.mean),    QString::fromStdString(r.deviation),
                                   QString::fromStdString(r.area),    QString::fromStdString(r.volume)};
        m_list->addTopLevelItem(new QTreeWidgetItem(cells));
    }
    const double values[3] = {m_doc.pixelSpacingColumn(), m_doc.pixelSpacingRow(), m_doc.sliceThickness()};
    for (int i = 0; i < 3; ++i) m_spacing[i]->setText(QString::number(values[i], 'g', 10));
}

} // namespace veltor
