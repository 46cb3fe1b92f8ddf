#include "app/system_info_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/system_info.h"

namespace veltor {

namespace {

constexpr const char* kOpenGlSite = "https://www.opengl.org/";

QString glString(QOpenGLFunctions& gl, GLenum name) {
    const GLubyte* s = gl.glGetString(name);
    return s != nullptr ? QString::fromLatin1(reinterpret_cast<const char*>(s)) : QString();
}

} // namespace

std::optional<OpenGlStrings> readOpenGlStrings() {
    QOpenGLContext context;
    if (!context.create()) return std::nullopt;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) return std::nullopt;
    QOpenGLFunctions* gl = context.functions();
    OpenGlStrings out;
    out.renderer = glString(*gl, GL_RENDERER);
    out.vendor = glString(*gl, GL_VENDOR);
    out.version = glString(*gl, GL_VERSION);
    for (const QByteArray& e : context.extensions()) out.extensions << QString::fromLatin1(e);
    out.extensions.sort();
    context.doneCurrent();
    if (out.renderer.isEmpty() && out.vendor.isEmpty() && out.version.isEmpty()) return std::nullopt;
    return out;
}

QString generalSystemText(const QScreen* screen) {
    SystemFigures f = readSystemFigures({QDir::homePath().toStdString(), QDir::currentPath().toStdString()});
    if (screen != nullptr) {
        const QSize size = screen->size() * screen->devicePixelRatio();
        f.screenWidth = size.width();
        f.screenHeight = size.height();
        f.bitsPerPixel = screen->depth();
    }
    return QString::fromStdString(formatSystemFigures(f));
}

SystemInfoDialog::SystemInfoDialog(const std::optional<OpenGlStrings>& openGl, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("System Info"));
    auto* tabs = new QTabWidget(this);

    auto* general = new QPlainTextEdit(tabs);
    general->setReadOnly(true);
    general->setObjectName(QStringLiteral("GeneralText"));
    general->setPlainText(generalSystemText(screen()));
    tabs->addTab(general, QStringLiteral("General"));

    if (openGl) {
        auto* page = new QWidget(tabs);
        auto* form = new QFormLayout(page);
        auto field = [page](const QString& text) {
            auto* edit = new QLineEdit(text, page);
            edit->setReadOnly(true);
            edit->setCursorPosition(0);
            return edit;
        };
        form->addRow(QStringLiteral("Renderer"), field(openGl->renderer));
        form->addRow(QStringLiteral("Vendor"), field(openGl->vendor));
        form->addRow(QStringLiteral("Version"), field(openGl->version));
        auto* list = new QListWidget(page);
        list->addItems(openGl->extensions);
        form->addRow(QStringLiteral("Extensions"), list);
        auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(QString::fromLatin1(kOpenGlSite)), page);
        link->setOpenExternalLinks(true);
        form->addRow(QString(), link);
        tabs->addTab(page, QStringLiteral("OpenGL"));
    }

    // A property sheet without Apply: OK and Cancel both just close it.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    resize(460, 420);
}

} // namespace veltor
