#include "voicelines.h"

#include "programfolder.h"

#include <QFile>
#include <QHash>

QList<VoiceLine> voicelines::parse(const QByteArray &table) {
    QList<VoiceLine> lines;
    for (const QByteArray &raw : table.split('\n')) {
        const QString line = QString::fromUtf8(raw).remove(QLatin1Char('\r'));
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (line.startsWith(QLatin1Char('#')) || tab <= 0)
            continue;
        const QString words = line.mid(tab + 1).trimmed();
        if (!words.isEmpty())
            lines.append({line.left(tab), words});
    }
    return lines;
}

QList<VoiceLine> voicelines::all() {
    QFile resource(QStringLiteral(":/voices/recordings.tsv"));
    QHash<QString, QString> words;
    if (resource.open(QIODevice::ReadOnly)) {
        for (const VoiceLine &line : parse(resource.readAll()))
            words.insert(line.file, line.words);
    }
    QList<VoiceLine> lines;
    for (const QString &file : ProgramFolder::recordingFiles())
        lines.append({file, words.value(file)});
    return lines;
}
