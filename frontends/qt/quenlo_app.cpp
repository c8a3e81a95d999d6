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
    const UiLanguage language = OperatorLanguage();
    UseResourceLanguage(language);
    // Qt's own texts (file dialogs, OK buttons, edit menus) speak the window's language, whatever
    // else the system's language is; without a translation they are English.
    if (language == UiLanguage::Chinese) {
        auto* translator = new QTranslator(this);
        if (translator->load(QStringLiteral("qtbase_zh_CN"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            installTranslator(translator);
    }
}

UiLanguage OperatorLanguage()
{
    const QByteArray language = qgetenv("LANGUAGE");
    const QByteArray lcAll = qgetenv("LC_ALL");
    const QByteArray lcMessages = qgetenv("LC_MESSAGES");
    const QByteArray lang = qgetenv("LANG");
    return LanguageOfLocale({std::string_view(language.constData(), language.size()),
                             std::string_view(lcAll.constData(), lcAll.size()),
                             std::string_view(lcMessages.constData(), lcMessages.size()),
                             std::string_view(lang.constData(), lang.size())});
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
