#include "sort_frames_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/frame_preview.h"
#include "document/kelvo_doc.h"

namespace veltor {

SortFramesDialog::SortFramesDialog(CKelvoDoc& doc, QWidget* parent) : QDialog(parent), m_doc(doc) {
    setWindowTitle(tr("Sort File Frames"));
    m_list = new QListWidget(this);
    for (int i = 0; i < doc.frameCount(); ++i) {
        auto* item = new QListWidgetItem(
            QString::asprintf("Frame %04d", doc.loadIndexOfFrame(i) + 1), m_list);
        item->setData(Qt::UserRole, i);
    }
    m_list->setCurrentRow(doc.currentFrame());
    m_picture = new FramePreview(this);
    m_picture->setFixedSize(128, 128);
    auto* side = new QVBoxLayout;
    const char* const labels[] = {"Move to Top", "Move Up", "Move Down", "Move to Bottom",
                                  "Order of Load"};
    for (int i = 0; i < 5; ++i) {
        auto* button = new QPushButton(tr(labels[i]), this);
        connect(button, &QPushButton::clicked, this, [this, i] { move(i); });
        side->addWidget(button);
    }
    side->addWidget(m_picture);
    side->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(m_list, 1);
    row->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    connect(m_list, &QListWidget::currentRowChanged, this, &SortFramesDialog::showFrame);
    showFrame();
}

void SortFramesDialog::move(int how) {
    const int row = m_list->currentRow();
    const int last = m_list->count() - 1;
    if (how == 4) {
        const int frame = row >= 0 ? m_list->item(row)->data(Qt::UserRole).toInt() : 0;
        std::vector<QListWidgetItem*> items;
        while (m_list->count() > 0)
            items.push_back(m_list->takeItem(0));
        std::sort(items.begin(), items.end(), [this](QListWidgetItem* a, QListWidgetItem* b) {
            return m_doc.loadIndexOfFrame(a->data(Qt::UserRole).toInt()) <
                   m_doc.loadIndexOfFrame(b->data(Qt::UserRole).toInt());
        });
        int current = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            m_list->addItem(items[i]);
            if (items[i]->data(Qt::UserRole).toInt() == frame) current = int(i);
        }
        m_list->setCurrentRow(current);
        return;
    }
    if (row < 0) return;
    const int target = how == 0   ? 0
                       : how == 1 ? std::max(0, row - 1)
                       : how == 2 ? std::min(last, row + 1)
                                  : last;
    if (target == row) return;
    QListWidgetItem* item = m_list->takeItem(row);
    m_list->insertItem(target, item);
    m_list->setCurrentRow(target);
}

std::vector<int32_t> SortFramesDialog::order() const {
    std::vector<int32_t> out;
    for (int i = 0; i < m_list->count(); ++i)
        out.push_back(m_list->item(i)->data(Qt::UserRole).toInt());
    return out;
}

int SortFramesDialog::currentRow() const {
    return std::max(0, m_list->currentRow());
}

void SortFramesDialog::showFrame() {
    const int row = m_list->currentRow();
    m_picture->setFrame(row < 0 ? nullptr
                                : m_doc.frameAt(m_list->item(row)->data(Qt::UserRole).toInt()));
}

} // namespace veltor
