#include "anonymize_options_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "export/deidentification.h"
#include "settings/settings_store.h"

namespace veltor {

namespace {

// The column of each of the 36 elements: the patient's own data (group
// 0010), the study's, and the rest.
int columnOf(const AnonymizedElement& e) {
    if (e.group == 0x0010) return 0;
    if (e.group == 0x0020 && e.element == 0x0010) return 1;
    if (e.group == 0x0008 && e.element != 0x2111) return 1;
    return 2;
}

} // namespace

AnonymizeOptionsDialog::AnonymizeOptionsDialog(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(tr("Header information to delete"));
    const AnonymizeOptions stored = AnonymizeOptions::load(settings);
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    const char* const titles[] = {"Patient Information", "Study Information", "Other Information"};
    std::vector<QVBoxLayout*> columnLayouts;
    for (const char* title : titles) {
        auto* box = new QGroupBox(tr(title), this);
        auto* boxLayout = new QVBoxLayout(box);
        columns->addWidget(box, 0, Qt::AlignTop);
        m_columns.push_back(box);
        columnLayouts.push_back(boxLayout);
    }
    for (size_t i = 0; i < kAnonymizedElements.size(); ++i) {
        const AnonymizedElement& e = kAnonymizedElements[i];
        auto* box = new QCheckBox(QString::fromUtf8(e.caption), this);
        box->setChecked(stored.remove[i]);
        box->setToolTip(QString::asprintf("(%04X,%04X)", e.group, e.element));
        columnLayouts[static_cast<size_t>(columnOf(e))]->addWidget(box);
        m_elements.push_back(box);
    }
    for (QVBoxLayout* l : columnLayouts)
        l->addStretch(1);
    layout->addLayout(columns);

    m_privateTags = new QCheckBox(tr("Remove all private \"PN\" tags"), this);
    m_privateTags->setChecked(stored.privateTags);
    layout->addWidget(m_privateTags);
    m_attention = new QCheckBox(tr("Show attention message when critical fields have not been "
                                   "removed because of this setup"),
                                this);
    m_attention->setChecked(stored.attention);
    layout->addWidget(m_attention);
    m_attention2 = new QCheckBox(
        tr("Show attention message when burned-in annotation flag (0x0028,0x0301) is set"), this);
    m_attention2->setChecked(stored.attention2);
    layout->addWidget(m_attention2);

    // The de-identification profile: an alternative to the checked values.
    auto* profileBox = new QGroupBox(tr("De-identification"), this);
    auto* profileLayout = new QVBoxLayout(profileBox);
    m_chosenFields =
        new QRadioButton(tr("Blank the checked values (at every depth of the header)"), profileBox);
    m_profile = new QRadioButton(
        tr("Basic de-identification profile (DICOM PS3.15 Annex E): every identifying "
           "attribute blanked or replaced,\nprivate elements blanked, UIDs replaced, dates "
           "shifted per patient"),
        profileBox);
    (stored.profile() ? m_profile : m_chosenFields)->setChecked(true);
    profileLayout->addWidget(m_chosenFields);
    profileLayout->addWidget(m_profile);
    auto* form = new QFormLayout;
    m_uidRoot = new QLineEdit(QString::fromStdString(stored.uidRoot), profileBox);
    m_uidRoot->setPlaceholderText(QString::fromLatin1(kDefaultUidRoot));
    form->addRow(tr("UID root:"), m_uidRoot);
    auto* keyRow = new QHBoxLayout;
    m_keyFile = new QLineEdit(QString::fromStdString(stored.keyFile), profileBox);
    m_keyFile->setPlaceholderText(tr("none: UIDs and dates are consistent within one run only"));
    m_browseKey = new QPushButton(tr("Browse..."), profileBox);
    keyRow->addWidget(m_keyFile, 1);
    keyRow->addWidget(m_browseKey);
    form->addRow(tr("Key file:"), keyRow);
    profileLayout->addLayout(form);
    m_keepDates = new QCheckBox(tr("Keep dates (do not shift them)"), profileBox);
    m_keepDates->setChecked(stored.keepDates);
    profileLayout->addWidget(m_keepDates);
    layout->addWidget(profileBox);

    auto* buttons = new QHBoxLayout;
    m_checkAll = new QPushButton(tr("Check all"), this);
    m_uncheckAll = new QPushButton(tr("Uncheck all"), this);
    auto* ok = new QPushButton(tr("OK"), this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    ok->setDefault(true);
    buttons->addWidget(m_checkAll);
    buttons->addWidget(m_uncheckAll);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(m_checkAll, &QPushButton::clicked, this, [this] { setAll(true); });
    connect(m_uncheckAll, &QPushButton::clicked, this, [this] { setAll(false); });
    connect(ok, &QPushButton::clicked, this, &AnonymizeOptionsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_profile, &QRadioButton::toggled, this, [this] { updateModes(); });
    connect(m_browseKey, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Key file"), m_keyFile->text());
        if (!path.isEmpty()) m_keyFile->setText(path);
    });
    updateModes();
}

void AnonymizeOptionsDialog::setAll(bool on) {
    for (QCheckBox* box : m_elements)
        box->setChecked(on);
    m_privateTags->setChecked(on);
}

void AnonymizeOptionsDialog::updateModes() {
    // The profile decides every value itself; the checked values apply to
    // the other mode only.
    const bool profile = m_profile->isChecked();
    for (QGroupBox* column : m_columns)
        column->setEnabled(!profile);
    m_privateTags->setEnabled(!profile);
    m_uidRoot->setEnabled(profile);
    m_keyFile->setEnabled(profile);
    m_browseKey->setEnabled(profile);
    m_keepDates->setEnabled(profile);
}

AnonymizeOptions AnonymizeOptionsDialog::options() const {
    AnonymizeOptions o;
    for (size_t i = 0; i < m_elements.size(); ++i)
        o.remove[i] = m_elements[i]->isChecked();
    o.privateTags = m_privateTags->isChecked();
    o.attention = m_attention->isChecked();
    o.attention2 = m_attention2->isChecked();
    o.mode = m_profile->isChecked() ? AnonymizeMode::BasicProfile : AnonymizeMode::ChosenFields;
    o.uidRoot = m_uidRoot->text().trimmed().toStdString();
    o.keyFile = m_keyFile->text().trimmed().toStdString();
    o.keepDates = m_keepDates->isChecked();
    return o;
}

void AnonymizeOptionsDialog::accept() {
    const AnonymizeOptions o = options();
    if (o.profile()) {
        // Checked now rather than at the first run: a run with an unusable
        // key file would stop before writing anything.
        Deidentifier run;
        std::string error;
        if (!Deidentifier::prepare(o, run, error)) {
            QMessageBox::warning(this, windowTitle(), QString::fromStdString(error));
            return;
        }
    }
    o.save(m_settings);
    QDialog::accept();
}

} // namespace veltor
