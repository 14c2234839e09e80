#include "savefile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

bool replaceFile(const QString &path, const QByteArray &data, QString *error) {
    const auto fail = [error](const QString &why) {
        if (error != nullptr)
            *error = why;
        return false;
    };
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("无法建立文件夹 %1").arg(folder));
    // QSaveFile writes to a temporary file in the same folder; commit() syncs
    // it and renames it over the old file, or removes it after a failed
    // write(). A write that fails only when the buffer is flushed (a full
    // disk) does not stop commit() in Qt 6.4, so the flush is checked here.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (file.write(data) != data.size() || !file.flush()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
