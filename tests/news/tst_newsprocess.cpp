#include "errorrelay.h"
#include "newsprocess.h"
#include "processtree.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <array>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

// The program's side of the news viewer, with small shell scripts in the
// viewer's place: what it makes of the viewer's messages, and the limits it
// holds a page to.
class TestNewsProcess : public QObject {
    Q_OBJECT

private slots:
    void messages();
    void limits_data();
    void limits();
    void releaseHidden();
    void frozenViewer();
    void checkInterval_data();
    void checkInterval();
    void memoryOfTheTree();
    void checkedMoreOftenNearTheCeiling();
    void errorsNeverWait();

private:
    static NewsProcess *viewer(const QString &script, NewsProcess::Limits limits,
                               QStringList *opened = nullptr) {
        return new NewsProcess(
            QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script},
            [opened](const QString &url) {
                if (opened != nullptr)
                    *opened << url;
            },
            limits);
    }
    // The process has ended: no such process, or its command line is empty
    // (a zombie's, not yet reaped).
    static bool gone(qint64 pid) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        return !cmdline.open(QIODevice::ReadOnly) || cmdline.readAll().isEmpty();
    }
    QTemporaryDir m_dir;
};

void TestNewsProcess::messages() {
    // Answers a navigation with the page, a show with two new windows and a
    // page that the shown one goes on to by itself.
    const QString body = QStringLiteral("<b>新闻 ruanjianguanggao</b>");
    const QString script =
        QStringLiteral(
            "while read w u; do case $w in navigate) printf 'loading %s\\nloaded %s %s\\n' "
            "$u $u %1;; show) printf 'open http://a.b/c\\nopen http://tintoko.example/more\\n"
            "loading http://tintoko.example/next\\n';; "
            "esac; done")
            .arg(QString::fromLatin1(body.toUtf8().toBase64()));
    QStringList opened;
    std::unique_ptr<NewsProcess> news(viewer(script, {}, &opened));
    const QUrl page(QStringLiteral("http://127.0.0.1:9/rjshengji/gg_tan.htm?id=vemb&k"));
    QVERIFY(!news->page().loading); // nothing asked for yet
    news->navigate(page);
    QVERIFY(news->page().loading);
    QTRY_VERIFY_WITH_TIMEOUT(!news->page().loading, 10000);
    QCOMPARE(news->page().body, body);
    QCOMPARE(news->address(), page.toString());
    news->showWindow();
    // The address of 15 characters or fewer is dropped.
    QTRY_COMPARE_WITH_TIMEOUT(opened, QStringList{QStringLiteral("http://tintoko.example/more")},
                              10000);
    QTRY_VERIFY_WITH_TIMEOUT(news->page().loading, 10000);
    QCOMPARE(news->address(), QStringLiteral("http://tintoko.example/next"));
    QCOMPARE(news->page().body, std::nullopt);
}

void TestNewsProcess::limits_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("loadMs");
    QTest::addColumn<int>("memoryMiB");
    QTest::addColumn<bool>("ended");
    // Writes down what it is told and never answers.
    QTest::newRow("page too slow: stopped")
        << QStringLiteral("cat > \"$0\"") << 300 << 1024 << false;
    // Processes under the viewer: tail holds 300 MiB while sleep does not read.
    QTest::newRow("too much memory: ended")
        << QStringLiteral("head -c 300000000 /dev/zero | tail | sleep 60") << 600'000 << 100
        << true;
}

void TestNewsProcess::limits() {
    QFETCH(QString, script);
    QFETCH(int, loadMs);
    QFETCH(int, memoryMiB);
    QFETCH(bool, ended);
    const QString log = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    auto *news = new NewsProcess(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, log}, {},
                                 {loadMs, qint64(memoryMiB) << 20, 60'000});
    std::unique_ptr<NewsProcess> owner(news);
    news->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/endless")));
    if (ended) {
        QTRY_VERIFY_WITH_TIMEOUT(!news->isRunning(), 20000);
        QCOMPARE(news->address(), QString());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(news->page().loading == false, 20000);
        QVERIFY(news->isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QFile file(log);
                return file.open(QIODevice::ReadOnly) && file.readAll().endsWith("stop\n");
            }(),
            10000);
    }
    QVERIFY(!news->page().body.has_value());
}

void TestNewsProcess::releaseHidden() {
    // The window the timed pop-up loaded and never showed goes with its
    // viewer; a shown one stays.
    std::unique_ptr<NewsProcess> news(viewer(QStringLiteral("cat > /dev/null"), {}));
    news->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    QVERIFY(news->isRunning());
    news->showWindow();
    news->releaseHidden();
    QVERIFY(news->isRunning());

    // Closed by the user, it is hidden again.
    news.reset(viewer(QStringLiteral("while read w u; do [ $w = show ] && echo closed; done"), {}));
    news->showWindow();
    QTRY_VERIFY_WITH_TIMEOUT((news->releaseHidden(), !news->isRunning()), 10000);

    // A viewer that cannot be started is said so, and tried again when next wanted.
    const QString broken = m_dir.filePath(QStringLiteral("broken"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("\x7f"
                                                          "ELF") == 4);
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    news = std::make_unique<NewsProcess>(broken, [](const QString &) {});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^news window: .+")));
    news->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    QTRY_COMPARE_WITH_TIMEOUT(news->processId(), 0, 10000);
    QCOMPARE(news->address(), QString());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^news window: .+")));
    news->showWindow();
    QTRY_COMPARE_WITH_TIMEOUT(news->processId(), 0, 10000);

    // Only a signal ends it.
    news.reset(viewer(QStringLiteral("exec sleep 60"), {}));
    news->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    const qint64 pid = news->processId();
    news->releaseHidden();
    QVERIFY(!news->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(gone(pid), 10000);

    // When the program ends, the viewer goes with all that it started.
    const QString child = m_dir.filePath(QStringLiteral("child"));
    news.reset(viewer(QStringLiteral("sleep 60 & echo $! > '%1'; wait").arg(child), {}));
    news->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    qint64 sleeper = 0;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            QFile pid(child);
            return pid.open(QIODevice::ReadOnly) &&
                   (sleeper = pid.readAll().trimmed().toLongLong()) > 0;
        }(),
        10000);
    // (Until it has started sleep, the child's command line may read empty.)
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(sleeper));
            return cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().startsWith("sleep");
        }(),
        10000);
    news.reset();
    QTRY_VERIFY_WITH_TIMEOUT(gone(sleeper), 10000);
}

void TestNewsProcess::frozenViewer() {
    // Answers each ping; logs what it is told to "$0.<pid>".
    const QString answers =
        QStringLiteral("while read w u; do echo $w >> \"$0.$$\"; [ $w = ping ] && echo pong; done");
    const QString log = m_dir.filePath(QStringLiteral("frozen"));
    const auto start = [&](const QString &script, int firstAnswerMs) {
        auto *news = new NewsProcess(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, log},
                                     {}, {20'000, qint64(768) << 20, 50, 300, firstAnswerMs});
        news->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/")));
        return news;
    };
    // Never answers: ended, and not started again.
    std::unique_ptr<NewsProcess> news(start(QStringLiteral("cat > /dev/null"), 300));
    QVERIFY(news->awaitsAnswer());
    QTRY_VERIFY_WITH_TIMEOUT(!news->isRunning(), 10000);

    // The engine's first start may take long: a late first answer is waited for.
    news.reset(start(QStringLiteral("sleep 1; ") + answers, 20'000));
    const qint64 first = news->processId();
    QTRY_VERIFY_WITH_TIMEOUT(!news->awaitsAnswer(), 10000);
    QCOMPARE(news->processId(), first);
    // Frozen once it has answered: replaced, and the new one is told again.
    ::kill(pid_t(first), SIGSTOP);
    news->showWindow();
    QTRY_VERIFY_WITH_TIMEOUT(news->processId() != first && gone(first), 10000);
    QVERIFY(news->isRunning());
    const auto told = [&] {
        QFile file(log + QLatin1Char('.') + QString::number(news->processId()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_COMPARE_WITH_TIMEOUT(told(), QByteArray("navigate\nping\nshow\n"), 10000);
    // Stopped while nothing is asked of it: the next ping finds it out; it
    // is ended, and not replaced.
    QTRY_VERIFY_WITH_TIMEOUT(!news->awaitsAnswer(), 10000);
    const qint64 second = news->processId();
    ::kill(pid_t(second), SIGSTOP);
    QTRY_VERIFY_WITH_TIMEOUT(!news->isRunning() && gone(second), 10000);
}

void TestNewsProcess::checkInterval_data() {
    QTest::addColumn<int>("memoryMiB");
    QTest::addColumn<int>("expected");
    // 768 MiB of ceiling, at most 1 s; a page can grow by 2 MiB a millisecond.
    QTest::newRow("none") << 0 << 384;
    QTest::newRow("half") << 384 << 192;
    QTest::newRow("right below: 10 ms") << 766 << 10;
    QTest::newRow("above") << 900 << 10;
}

void TestNewsProcess::checkInterval() {
    QFETCH(int, memoryMiB);
    QFETCH(int, expected);
    const NewsProcess::Limits limits;
    QCOMPARE(limits.memoryBytes, qint64(805'306'368)); // 768 MiB, in bytes
    QCOMPARE(
        (std::array{limits.loadMs, limits.checkEveryMs, limits.answerMs, limits.firstAnswerMs}),
        (std::array{20'000, 1000, 5000, 30'000}));
    QCOMPARE(NewsProcess::checkIntervalMs(qint64(memoryMiB) << 20, {}), expected);
    QCOMPARE(NewsProcess::checkIntervalMs(0, {0, qint64(768) << 20, 300}), 300);
}

void TestNewsProcess::checkedMoreOftenNearTheCeiling() {
    // tail holds 286 MiB of a 1 GiB ceiling.
    NewsProcess news(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("head -c 300000000 /dev/zero | tail | sleep 60")}, {},
        {600'000, qint64(1) << 30, 60'000});
    news.navigate(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    auto *watch = news.findChild<QTimer *>();
    QVERIFY(watch != nullptr);
    QCOMPARE(watch->interval(), 512);
    QTRY_VERIFY_WITH_TIMEOUT(watch->interval() > 250 && watch->interval() < 400, 20000);
}

void TestNewsProcess::memoryOfTheTree() {
    QCOMPARE(processtree::members(0), QList<qint64>());
    QProcess tree;
    tree.start(QStringLiteral("/bin/sh"),
               {QStringLiteral("-c"), QStringLiteral("(sleep 30 & wait) & sleep 30 & echo; wait")});
    QVERIFY(tree.waitForReadyRead(10000));
    // The shell, its two children, a grandchild.
    QTRY_COMPARE(processtree::members(tree.processId()).size(), 4);
    QCOMPARE(processtree::members(tree.processId()).first(), tree.processId());
    processtree::signalAll(tree.processId(), SIGKILL);
    QVERIFY(tree.waitForFinished(10000));
    QCOMPARE(processtree::members(tree.processId()), QList<qint64>());

    // Pages of its own that a process touched count, in bytes.
    const qint64 before = processtree::memoryBytes(::getpid());
    const qsizetype size = qsizetype(64) << 20;
    std::unique_ptr<char[]> block(new char[size]);
    std::memset(block.get(), 1, size_t(size));
    const qint64 grown = processtree::memoryBytes(::getpid()) - before;
    QVERIFY2(grown > (qint64(63) << 20) && grown < (qint64(66) << 20),
             qPrintable(QString::number(grown)));
    QCOMPARE(block[size - 1], char(1));
    // Pages it shares do not.
    const int fd = ::memfd_create("shared", 0);
    QVERIFY(fd >= 0 && ::ftruncate(fd, size) == 0);
    void *shared = ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    QVERIFY(shared != MAP_FAILED);
    const qint64 unshared = processtree::memoryBytes(::getpid());
    std::memset(shared, 1, size_t(size));
    const qint64 more = processtree::memoryBytes(::getpid()) - unshared;
    ::munmap(shared, size_t(size));
    ::close(fd);
    QVERIFY2(std::abs(more) < (qint64(2) << 20), qPrintable(QString::number(more)));
}

QTEST_GUILESS_MAIN(TestNewsProcess)
void TestNewsProcess::errorsNeverWait() {
    // The viewer's standard error reaches a pipe that nobody reads (or a
    // stopped terminal): passing 1 MiB on does not wait, and drops and counts.
    std::array<int, 2> fds{};
    QCOMPARE(::pipe(fds.data()), 0);
    constexpr qsizetype kPassed = qsizetype(1) << 20;
    ErrorRelay relay(fds[1], 4096);
    for (int i = 0; i < 16; ++i)
        relay.pass(QByteArray(kPassed / 16, 'x'));
    const qint64 dropped = relay.dropped();
    QVERIFY(dropped > 0);
    // Then a reader comes: all that was taken reaches it, in order, and a
    // line says how much was dropped wherever the relay had room again, which
    // depends on how fast its thread ran.
    QByteArray read;
    std::thread reader([&read, fd = fds[0]] {
        std::array<char, 4096> chunk{};
        for (ssize_t n = 0; (n = ::read(fd, chunk.data(), chunk.size())) > 0;)
            read.append(chunk.data(), n);
    });
    relay.waitWritten(std::chrono::seconds(60));
    relay.pass("end\n");
    relay.waitWritten(std::chrono::seconds(60));
    ::close(fds[1]);
    reader.join();
    ::close(fds[0]);
    const QString text = QString::fromLatin1(read);
    const QRegularExpression said(QStringLiteral("\n\\[(\\d+) bytes dropped\\]\n"));
    qint64 saidDropped = 0;
    for (const QRegularExpressionMatch &match : said.globalMatch(text))
        saidDropped += match.captured(1).toLongLong();
    QCOMPARE(saidDropped, dropped);
    QCOMPARE(QString(text).remove(said),
             QString(kPassed - dropped, u'x') + QStringLiteral("end\n"));
}

#include "tst_newsprocess.moc"
