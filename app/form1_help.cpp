#include "form1.h"

#include "helptexts.h"
#include "linklabel.h"
#include "maker.h"
#include "newsoptionfile.h"
#include "urlopener.h"

#include <QAction>

#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <algorithm>

// The help menu, its contact and about boxes, the saved news option and the
// link row in Frame3.

namespace {

// Hands the link row's mouse moves and clicks to Form1's handlers.
class LinkEvents final : public QObject {
public:
    LinkEvents(Form1 &form, QObject *parent)
        : QObject(parent)
        , m_form(form) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        const int index = watched->property(kIndex).toInt();
        if (event->type() == QEvent::MouseMove) {
            m_form.wangye_MouseMove(index);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            // A click: the left button let go over the label it went down on.
            const auto *mouse = static_cast<QMouseEvent *>(event);
            const auto *label = static_cast<QWidget *>(watched);
            if (mouse->button() == Qt::LeftButton &&
                label->rect().contains(mouse->position().toPoint()))
                m_form.wangye_Click(index);
        }
        return false;
    }

    static constexpr const char *kIndex = "wangyeIndex";

private:
    Form1 &m_form;
};

} // namespace

void Form1::connectHelp() {
    for (auto it = m_ui.bangzhu1.cbegin(); it != m_ui.bangzhu1.cend(); ++it) {
        const int index = it.key();
        connect(it.value(), &QAction::triggered, this, [this, index] { bangzhu1_Click(index); });
    }

    auto *events = new LinkEvents(*this, this);
    for (auto it = m_ui.wangye.cbegin(); it != m_ui.wangye.cend(); ++it) {
        it.value()->setProperty(LinkEvents::kIndex, it.key());
        it.value()->installEventFilter(events);
        // The keyboard and a screen reader open a link as a click does.
        if (auto *link = qobject_cast<LinkLabel *>(it.value()))
            connect(link, &LinkLabel::activated, this,
                    [this, index = it.key()] { wangye_Click(index); });
    }
    QLabel *site = m_ui.wangye.value(linkindex::Site);
    site->setText(maker::linkSite());
    site->setToolTip(maker::linkSiteTip());
    m_ui.wangye.value(linkindex::Upgrade)->setText(helptexts::upgradePage(maker::linkSite()));
    QLabel *number = m_ui.wangye.value(linkindex::Contact);
    number->setText(maker::contactNumber());
    number->setToolTip(maker::contactNumberTip());
    for (int index : linkindex::kLinks)
        m_ui.wangye.value(index)->setAccessibleName(m_ui.wangye.value(index)->text());
}

void Form1::bangzhu1_Click(int index) {
    switch (index) {
    case menuindex::Instructions:
        if (m_services.opener != nullptr)
            m_services.opener->openLocalFile(
                ProgramFolder(m_services.programFolder).instructions());
        break;
    case menuindex::Upgrade:
    case menuindex::HomePage:
        openWebAddress(maker::homePage());
        break;
    case menuindex::NoNewsPopup: {
        // The option turns over and the entry's check mark shows it. It is
        // saved at once; where it cannot be saved it still holds for this
        // run, and the log says why (no box: a child may be at the window).
        const bool off = !m_newsPopUp->isSwitchedOff();
        m_newsPopUp->setSwitchedOff(off);
        m_ui.bangzhu1.value(index)->setChecked(off);
        const ProgramFolder folder(m_services.programFolder);
        const QString path = newsoptionfile::location(folder.newsOptionFile());
        QString why;
        if (!newsoptionfile::writeFile(path, off, &why))
            qWarning("news option: kept for this run only, %s not saved: %s", qPrintable(path),
                     qPrintable(why));
        break;
    }
    case menuindex::News:
        m_newsPopUp->showOnDemand();
        break;
    case menuindex::Contact:
        showMessage(helptexts::kContactTitle, helptexts::contactText());
        break;
    case menuindex::About:
        showMessage(helptexts::kAboutTitle, helptexts::aboutText());
        break;
    default: // separators
        break;
    }
}

void Form1::wangye_Click(int index) {
    const QString address = helptexts::linkAddress(index, maker::linkSite(), maker::messagingHost(),
                                                   maker::contactNumber(), maker::homePage());
    if (!address.isEmpty())
        openWebAddress(address);
}

void Form1::wangye_MouseMove(int index) {
    if (std::ranges::find(linkindex::kLinks, index) != linkindex::kLinks.end())
        highlightLink(index, true);
}

void Form1::highlightLink(int index, bool on) {
    QLabel *label = m_ui.wangye.value(index);
    if (label == nullptr)
        return;
    const QColor colour = on ? QColor(255, 0, 0) : QColor(0, 0, 255);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    label->setPalette(palette);
    QFont font = label->font();
    font.setUnderline(on);
    label->setFont(font);
}

void Form1::openWebAddress(const QString &address) {
    if (m_services.opener != nullptr)
        m_services.opener->openWebAddress(address);
}

void Form1::showMessage(const QString &title, const QString &text) {
    // Modal, but without an event loop of its own: the window's handlers
    // never run inside one another.
    auto *box = new QMessageBox(QMessageBox::Warning, title, helptexts::forDisplay(text),
                                QMessageBox::Ok, this);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}
