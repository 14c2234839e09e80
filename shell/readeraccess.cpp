#include "readeraccess.h"

#include "linklabel.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QLabel>
#include <QSet>

#include <utility>

namespace {

constexpr const char *kOfferText = "tintokoOfferText";
constexpr const char *kNeverOffered = "tintokoNeverOffered";
constexpr const char *kHoldsNeverOffered = "tintokoHoldsNeverOffered";
constexpr const char *kStatus = "tintokoStatus";
constexpr const char *kStatusText = "tintokoStatusText";
constexpr const char *kLink = "tintokoLink";
constexpr const char *kWindow = "tintokoWindow";
constexpr const char *kNotification = "tintokoNotification"; // a status bar's, by object name

// A widget read as text: what shown() gives. Read only, without a caret or
// selection.
class ReadText : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    ReadText(QWidget *widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role) {}

    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    [[nodiscard]] QString text(int startOffset, int endOffset) const override {
        return shown().mid(startOffset, endOffset - startOffset);
    }
    [[nodiscard]] int characterCount() const override { return int(shown().size()); }
    void selection(int /*index*/, int *startOffset, int *endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    [[nodiscard]] int selectionCount() const override { return 0; }
    void addSelection(int /*start*/, int /*end*/) override {}
    void removeSelection(int /*index*/) override {}
    void setSelection(int /*index*/, int /*start*/, int /*end*/) override {}
    [[nodiscard]] int cursorPosition() const override { return 0; }
    void setCursorPosition(int /*position*/) override {}
    [[nodiscard]] QRect characterRect(int /*offset*/) const override { return {}; }
    [[nodiscard]] int offsetAtPoint(const QPoint & /*point*/) const override { return -1; }
    void scrollToSubstring(int /*start*/, int /*end*/) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }

protected:
    [[nodiscard]] virtual QString shown() const = 0;
};

// A label read as static text: its name and its text are what it shows,
// unless it has a name of its own.
class LabelText final : public ReadText {
public:
    explicit LabelText(QLabel *label)
        : ReadText(label, QAccessible::StaticText) {}

    using ReadText::text;
    [[nodiscard]] QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return shown();
        return QAccessibleWidget::text(t);
    }

private:
    [[nodiscard]] QString shown() const override { return static_cast<QLabel *>(widget())->text(); }
};

readeraccess::Listener listener = nullptr;

// A status bar's notifications, oldest first: each holds the text it was
// made for, so that a reader that asks late still reads what was said then.
QList<QObject *> notificationsOf(const QWidget *statusBar) {
    return statusBar->findChildren<QObject *>(QLatin1String(kNotification),
                                              Qt::FindDirectChildrenOnly);
}

// The one offered as the status bar's child: the newest.
QObject *notificationOf(const QWidget *statusBar) {
    const QList<QObject *> all = notificationsOf(statusBar);
    return all.isEmpty() ? nullptr : all.last();
}

// How many of a status bar's notifications are kept, for readers that are
// behind by as many texts.
constexpr qsizetype kNotificationsKept = 8;

// A status bar, read on demand: its name is its own, its text the one given
// with setStatusText(). Its notification comes after its widgets.
class StatusText final : public ReadText {
public:
    explicit StatusText(QWidget *widget)
        : ReadText(widget, QAccessible::StatusBar) {}

    [[nodiscard]] int childCount() const override { return ReadText::childCount() + 1; }
    [[nodiscard]] QAccessibleInterface *child(int index) const override {
        if (index == ReadText::childCount())
            return QAccessible::queryAccessibleInterface(notificationOf(widget()));
        return ReadText::child(index);
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface *child) const override {
        if (child != nullptr && child->object() == notificationOf(widget()))
            return ReadText::childCount();
        return ReadText::indexOfChild(child);
    }

private:
    [[nodiscard]] QString shown() const override {
        return widget()->property(kStatusText).toString();
    }
};

// The notification in a status bar: named with the text it was made for, never
// focused, with nothing inside and no place of its own on the screen.
class StatusNotification final : public QAccessibleObject {
public:
    explicit StatusNotification(QObject *notification)
        : QAccessibleObject(notification) {}

    [[nodiscard]] QAccessibleInterface *parent() const override {
        return QAccessible::queryAccessibleInterface(object()->parent());
    }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] QAccessibleInterface *child(int /*index*/) const override { return nullptr; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface * /*child*/) const override {
        return -1;
    }
    [[nodiscard]] QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name)
            return {};
        return object()->property(kStatusText).toString();
    }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::Notification; }
    [[nodiscard]] QAccessible::State state() const override { return {}; }
};

// A link: pressed, it opens its page as a click does.
class LinkAccess final : public QAccessibleWidget {
public:
    explicit LinkAccess(LinkLabel *label)
        : QAccessibleWidget(label, QAccessible::Link) {}

    [[nodiscard]] QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &actionName) override {
        if (actionName == pressAction())
            emit static_cast<LinkLabel *>(widget())->activated();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

// A widget whose children are offered without those never offered.
class OfferedChildren final : public QAccessibleWidget {
public:
    explicit OfferedChildren(QWidget *widget)
        : QAccessibleWidget(widget) {}

    [[nodiscard]] int childCount() const override { return int(offered().size()); }
    [[nodiscard]] QAccessibleInterface *child(int index) const override {
        return offered().value(index);
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface *child) const override {
        return int(offered().indexOf(const_cast<QAccessibleInterface *>(child)));
    }

private:
    [[nodiscard]] QList<QAccessibleInterface *> offered() const {
        QList<QAccessibleInterface *> children;
        for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
            QAccessibleInterface *child = QAccessibleWidget::child(i);
            if (child != nullptr && !child->object()->property(kNeverOffered).toBool())
                children << child;
        }
        return children;
    }
};

// The objects offered here. Qt asks the factory about every object a reader
// meets, the web engine's own among them, which are built without type
// information: the factory touches none but these.
QSet<const QObject *> &offered() {
    static QSet<const QObject *> objects;
    return objects;
}

void remember(QObject *object) {
    if (offered().contains(object))
        return;
    offered().insert(object);
    QObject::connect(object, &QObject::destroyed, object, [object] { offered().remove(object); });
}

QAccessibleInterface *interfaceFor(const QString & /*className*/, QObject *object) {
    if (!offered().contains(object))
        return nullptr;
    auto *widget = qobject_cast<QWidget *>(object);
    if (widget == nullptr) {
        if (object->objectName() == QLatin1String(kNotification))
            return new StatusNotification(object);
        return nullptr;
    }
    if (auto *link = qobject_cast<LinkLabel *>(widget); link && link->property(kLink).toBool())
        return new LinkAccess(link);
    if (auto *label = qobject_cast<QLabel *>(widget); label && label->property(kOfferText).toBool())
        return new LabelText(label);
    if (widget->property(kStatus).toBool())
        return new StatusText(widget);
    if (widget->property(kHoldsNeverOffered).toBool())
        return new OfferedChildren(widget);
    if (widget->property(kWindow).toBool())
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

// Marks the widget for the factory. Qt makes a widget's interface as soon as
// the widget changes (a name set, a widget disabled), maybe before it is
// marked: one made already is dropped, and made anew through the factory when
// a reader asks for it.
void mark(QWidget *widget, const char *property) {
    static const bool installed = (QAccessible::installFactory(&interfaceFor), true);
    Q_UNUSED(installed);
    remember(widget);
    widget->setProperty(property, true);
    if (QAccessibleInterface *made = QAccessible::queryAccessibleInterface(widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

// A new notification with the text; the oldest beyond those kept goes.
QObject *addNotification(QWidget *statusBar, const QString &text) {
    auto *notification = new QObject(statusBar);
    notification->setObjectName(QLatin1String(kNotification));
    notification->setProperty(kStatusText, text);
    remember(notification);
    const QList<QObject *> all = notificationsOf(statusBar);
    for (qsizetype i = 0; i + kNotificationsKept < all.size(); ++i)
        delete all.at(i);
    return notification;
}

} // namespace

namespace readeraccess {

void offerText(QLabel *label) {
    mark(label, kOfferText);
}

void offerStatus(QWidget *widget) {
    addNotification(widget, widget->property(kStatusText).toString());
    mark(widget, kStatus);
}

void setStatusText(QWidget *widget, const QString &text, Say say) {
    const bool changed = widget->property(kStatusText).toString() != text;
    widget->setProperty(kStatusText, text);
    if (!widget->property(kStatus).toBool() || (say == Say::Changes && !changed))
        return;
    // A text is said by a notification of its own, which keeps its words when
    // the next text comes before a reader has read it.
    QObject *notification = addNotification(widget, text);
    if (text.isEmpty())
        return;
    QAccessibleEvent shown(notification, QAccessible::ObjectShow);
    if (listener != nullptr)
        listener(&shown);
    else
        QAccessible::updateAccessibility(&shown);
}

Listener listenInstead(Listener instead) {
    return std::exchange(listener, instead);
}

void offerLink(LinkLabel *label) {
    mark(label, kLink);
}

void offerWindow(QWidget *window) {
    mark(window, kWindow);
}

void neverOffer(QWidget *widget) {
    widget->setProperty(kNeverOffered, true);
    if (QWidget *parent = widget->parentWidget())
        mark(parent, kHoldsNeverOffered);
}

} // namespace readeraccess
