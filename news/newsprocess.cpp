#include "newsprocess.h"

#include "errorrelay.h"
#include "newsaddress.h"
#include "processtree.h"
#include "viewersandbox.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#include <utility>

using newsprotocol::Kind;
using newsprotocol::Message;

namespace {

constexpr qint64 kFastestGrowthBytesPerMs = qint64(2) << 20;
constexpr int kShortestCheckMs = 10;

} // namespace

NewsProcess::NewsProcess(QString program, QStringList arguments,
                         std::function<void(const QString &)> openInBrowser, Limits limits,
                         QObject *parent)
    : QObject(parent)
    , m_program(std::move(program))
    , m_arguments(std::move(arguments))
    , m_openInBrowser(std::move(openInBrowser))
    , m_limits(limits) {
    connect(&m_watch, &QTimer::timeout, this, &NewsProcess::checkLimits);
    m_clock.start();
}

NewsProcess::NewsProcess(QString program, std::function<void(const QString &)> openInBrowser,
                         QObject *parent)
    : NewsProcess(std::move(program), {}, std::move(openInBrowser), Limits{}, parent) {}

NewsProcess::~NewsProcess() {
    if (m_process == nullptr)
        return;
    processtree::signalAll(m_process->processId(), SIGKILL);
    m_process->waitForFinished(1000);
    delete m_process;
}

bool NewsProcess::isRunning() const {
    return m_process != nullptr && m_process->state() != QProcess::NotRunning;
}

qint64 NewsProcess::processId() const {
    return m_process != nullptr ? m_process->processId() : 0;
}

bool NewsProcess::ensureStarted() {
    if (m_process != nullptr)
        return true;
    if (!QFileInfo(m_program).isExecutable())
        return false;
    auto *process = new QProcess(this);
    process->setProgram(m_program);
    process->setArguments(m_arguments);
    process->setProcessEnvironment(viewersandbox::processEnvironment(
        viewersandbox::viewerEnvironment(viewersandbox::ownEnvironment())));
    process->setChildProcessModifier([] {
        // No controlling terminal: a session of its own.
        ::setsid();
        // The viewer ends with the program, however the program ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // Nothing but the three pipes goes with it into the viewer.
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    });
    connect(process, &QProcess::readyReadStandardOutput, this, &NewsProcess::readMessages);
    connect(process, &QProcess::readyReadStandardError, this, &NewsProcess::passOnErrors);
    connect(process, &QProcess::finished, this, [this, process] {
        process->deleteLater();
        if (process != m_process)
            return;
        m_process = nullptr;
        forget();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        qWarning("news window: %s", qPrintable(process->errorString()));
        process->deleteLater();
        if (process == m_process) {
            m_process = nullptr;
            forget();
        }
    });
    m_process = process;
    m_opens.newWindow();
    process->start(QIODevice::ReadWrite | QIODevice::Unbuffered);
    m_watch.start(checkIntervalMs(0, m_limits));
    return true;
}

void NewsProcess::send(const Message &message) {
    if (m_process != nullptr)
        m_process->write(newsprotocol::encode(message));
}

void NewsProcess::navigate(const QUrl &url) {
    if (!ensureStarted())
        return;
    m_address = url.toString();
    m_loading = true;
    m_body.reset();
    m_loadClock.start();
    send({Kind::Navigate, m_address});
    ping(true);
}

void NewsProcess::showWindow() {
    if (!ensureStarted())
        return;
    m_shown = true;
    send({Kind::Show});
    ping(true);
}

void NewsProcess::ping(bool forRequest) {
    m_requestWaits = m_requestWaits || forRequest;
    // One ping at a time: its pong comes after every earlier message.
    if (m_pingClock.isValid())
        return;
    m_pingClock.start();
    send({Kind::Ping});
}

void NewsProcess::releaseHidden() {
    if (!m_shown)
        end();
}

void NewsProcess::readMessages() {
    QProcess *process = m_process;
    if (process == nullptr)
        return;
    while (process->canReadLine()) {
        const QByteArray line = process->readLine(newsprotocol::kMaxLineBytes + 2);
        if (const auto message = newsprotocol::decode(line))
            receive(*message);
        if (process != m_process)
            return; // the message ended the viewer
    }
    // A line of that length is none of ours: it is dropped, not held.
    if (process->bytesAvailable() > newsprotocol::kMaxLineBytes)
        process->readAll();
}

void NewsProcess::passOnErrors() {
    if (m_process == nullptr)
        return;
    // The web engine's own messages, as words: a control character could
    // make the terminal they reach do or answer something.
    ErrorRelay::standardError().pass(newsprotocol::printable(m_process->readAllStandardError()));
}

void NewsProcess::receive(const Message &message) {
    switch (message.kind) {
    case Kind::Loading:
        m_address = message.url;
        m_loading = true;
        m_body.reset();
        m_loadClock.start();
        break;
    case Kind::Loaded:
        m_address = message.url;
        m_loading = false;
        m_body = message.body;
        break;
    case Kind::Open:
        if (newsaddress::opensInBrowser(message.url) && m_openInBrowser &&
            m_opens.allow(m_clock.elapsed()))
            m_openInBrowser(message.url);
        break;
    case Kind::Closed:
        m_shown = false;
        break;
    case Kind::Pong:
        m_pingClock.invalidate();
        m_pongClock.start();
        m_answered = true;
        m_requestWaits = false;
        break;
    case Kind::Navigate:
    case Kind::Show:
    case Kind::Stop:
    case Kind::Ping:
        break; // the program's own words, not the viewer's
    }
}

void NewsProcess::checkLimits() {
    if (m_process == nullptr) {
        m_watch.stop();
        return;
    }
    if (m_loading && m_loadClock.isValid() && m_loadClock.elapsed() > m_limits.loadMs) {
        qWarning("news window: the page took longer than %d s; stopped", m_limits.loadMs / 1000);
        send({Kind::Stop});
        // A page that never finished has no body to read.
        m_loading = false;
        m_body.reset();
    }
    const qint64 memory = processtree::memoryBytes(m_process->processId());
    if (memory > m_limits.memoryBytes) {
        qWarning("news window: the page took %lld MiB; the window is closed",
                 static_cast<long long>(memory >> 20));
        end();
        return;
    }
    m_watch.setInterval(checkIntervalMs(memory, m_limits));
    const int answerMs = m_answered ? m_limits.answerMs : m_limits.firstAnswerMs;
    if (m_pingClock.isValid() && m_pingClock.elapsed() > answerMs)
        restartFrozen();
    else if (m_answered && m_pongClock.elapsed() >= m_limits.checkEveryMs)
        ping(false);
}

int NewsProcess::checkIntervalMs(qint64 memory, const Limits &limits) {
    const qint64 ms = (limits.memoryBytes - memory) / kFastestGrowthBytesPerMs;
    return int(std::clamp<qint64>(ms, kShortestCheckMs, limits.checkEveryMs));
}

void NewsProcess::restartFrozen() {
    qWarning("news window: the viewer does not answer; it is ended");
    const bool replace = m_answered && m_requestWaits;
    const QString address = m_address;
    const bool shown = m_shown;
    end();
    // A viewer that froze after it had worked is replaced at once, so that
    // the request that found it frozen is carried out. One that never
    // answered is not started again until the next request, nor is one that
    // froze while no request waited for it.
    if (!replace)
        return;
    if (!address.isEmpty())
        navigate(QUrl(address));
    if (shown)
        showWindow();
}

void NewsProcess::end() {
    if (m_process == nullptr)
        return;
    QProcess *process = std::exchange(m_process, nullptr);
    processtree::signalAll(process->processId(), SIGKILL);
    process->kill();
    // Reaped when it has gone; the window's thread does not wait for that.
    process->closeWriteChannel();
    forget();
}

void NewsProcess::forget() {
    m_watch.stop();
    m_pingClock.invalidate();
    m_answered = false;
    m_requestWaits = false;
    m_address.clear();
    m_loading = false;
    m_body.reset();
    m_shown = false;
}
