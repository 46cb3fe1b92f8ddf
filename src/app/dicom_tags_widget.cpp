#include "dicom_tags_widget.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dicom/dicom_file.h"
#include "document/header_format.h"

namespace veltor {

DicomTagsWidget::DicomTagsWidget(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tabs = new QTabBar(this);
    for (const char* name : kHeaderTopicNames) m_tabs->addTab(QString::fromLatin1(name));
    m_list = new QTreeWidget(this);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({tr("Tag"), tr("Tag Name"), tr("Value")});
    m_list->setColumnWidth(0, 100);
    m_list->setColumnWidth(1, 250);
    m_list->setColumnWidth(2, 400);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setAllColumnsShowFocus(true);
    layout->addWidget(m_tabs);
    layout->addWidget(m_list, 1);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int) { refill(); });
}

void DicomTagsWidget::setFile(const DicomFile* file) {
    m_file = file;
    refill();
}

void DicomTagsWidget::setTopic(int topic) { m_tabs->setCurrentIndex(topic); }

int DicomTagsWidget::rowCount() const { return m_list->topLevelItemCount(); }

QString DicomTagsWidget::selectedValue() const {
    const QTreeWidgetItem* item = m_list->currentItem();
    return item != nullptr ? item->text(2) : QString();
}

void DicomTagsWidget::refill() {
    m_list->clear();
    if (m_file == nullptr) return;
    const auto topic = static_cast<HeaderTopic>(m_tabs->currentIndex());
    DicomElement e;
    QList<QTreeWidgetItem*> items;
    for (int32_t i = 0; m_file->elementAt(i, e); ++i) {
        if (!inHeaderTopic(topic, e.group, e.element)) continue;
        auto* item = new QTreeWidgetItem;
        item->setText(0, QString::fromStdString(tagText(e.group, e.element)));
        item->setText(1, QString::fromLatin1(e.name));
        item->setText(2, QString::fromLatin1(listValueText(e).c_str()));
        items << item;
    }
    m_list->addTopLevelItems(items);
}

DicomTagsDialog::DicomTagsDialog(const DicomFile& file, const QString& caption, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption.isEmpty() ? tr("Dicom Tags") : caption);
    auto* layout = new QVBoxLayout(this);
    m_tags = new DicomTagsWidget(this);
    m_tags->setFile(&file);
    layout->addWidget(m_tags, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(800, 500);
}

QString DicomTagsDialog::pickedValue() const {
    return QString::fromLatin1(veltor::pickedValue(m_tags->selectedValue().toLatin1().toStdString()).c_str());
}

} // namespace veltor
