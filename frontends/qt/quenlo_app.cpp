#include "quenlo_app.h"

#include "app_message_box.h"
#include "dialog_template.h"
#include "quenlo_dlg.h"
#include "resource.h"
#include "udp_socket.h"

#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>


CQuenloApp::CQuenloApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setWindowIcon(ApplicationIcon());
    // The window speaks Chinese, so Qt's own texts (OK buttons, edit menus) do too, whatever the
    // system's language.
    auto* translator = new QTranslator(this);
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
}

QIcon ApplicationIcon()
{
    QIcon icon;
    const QDir sizes(QStringLiteral(":/res/icons/hicolor"));
    for (const QString& size : sizes.entryList(QDir::Dirs))
        icon.addFile(sizes.filePath(size + QStringLiteral("/apps/quenlo.png")));
    return icon;
}

int CQuenloApp::InitInstance()
{
    if (!udp::StartSockets()) {
        AppMessageBox(nullptr, LoadResourceString(IDP_SOCKETS_INIT_FAILED), QMessageBox::Warning);
        return 1;
    }
    CQuenloDlg dialog;
    dialog.exec();
    return 0;
}
