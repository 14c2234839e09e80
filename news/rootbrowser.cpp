#include "rootbrowser.h"

#include "viewersandbox.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>

#include <unistd.h>

namespace rootbrowser {

namespace {

QString noteText(const QString &address) {
    return QStringLiteral("为了电脑的安全，用系统管理员账户运行时不打开浏览器。"
                          "要看这个网页，请用普通账户打开这个地址：\n") +
           address;
}

} // namespace

bool openAsCaller(const QString &address) {
    const auto caller = viewersandbox::callerOfSudo(qgetenv("SUDO_UID"));
    if (!caller)
        return false;
    const QByteArray runtimeDir = "/run/user/" + QByteArray::number(caller->uid);
    const QProcessEnvironment environment =
        viewersandbox::processEnvironment(viewersandbox::callerEnvironment(
            viewersandbox::ownEnvironment(), *caller,
            QFileInfo(QString::fromLocal8Bit(runtimeDir)).isDir() ? runtimeDir : QByteArray()));
    // setpriv gives root up for the caller's account and groups; a detached
    // process starts in a session of its own, and its standard streams are
    // not the program's (which may be root's terminal).
    QProcess browser;
    browser.setProgram(QStringLiteral("setpriv"));
    browser.setArguments({QStringLiteral("--reuid=%1").arg(caller->uid),
                          QStringLiteral("--regid=%1").arg(caller->gid),
                          QStringLiteral("--init-groups"), QStringLiteral("--"),
                          QStringLiteral("xdg-open"), address});
    browser.setProcessEnvironment(environment);
    browser.setWorkingDirectory(QStringLiteral("/"));
    browser.setStandardInputFile(QProcess::nullDevice());
    browser.setStandardOutputFile(QProcess::nullDevice());
    browser.setStandardErrorFile(QProcess::nullDevice());
    // None of the program's descriptors goes with it, whatever the program
    // was given when it started: every one is closed when a program starts
    // (a detached process takes no modifier of the child to do that in; and
    // the program passes no descriptor on to any program it starts).
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    return browser.startDetached();
}

void open(const QString &address) {
    if (openAsCaller(address))
        return;
    auto *note = new QMessageBox(QMessageBox::Information, QStringLiteral("打开网页"),
                                 noteText(address), QMessageBox::Ok);
    note->setTextFormat(Qt::PlainText);
    // The address can be copied from the note.
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note->setAttribute(Qt::WA_DeleteOnClose);
    note->show();
}

} // namespace rootbrowser
