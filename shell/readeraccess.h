#pragma once

class LinkLabel;
class QAccessibleEvent;
class QLabel;
class QString;
class QWidget;

// What screen readers are offered (through AT-SPI on Linux) beyond what Qt
// offers by itself. Call these while the window is made, before a reader
// first asks for it.
namespace readeraccess {

// The label's text is offered as its name and as its text, so that a reader
// reads the value it shows; Qt offers a label's name only.
void offerText(QLabel *label);

// The widget is offered as a status bar, which a reader reads on demand: its
// name is its own, its text the last one given to setStatusText(). A reader
// also says a new text by itself, once, while the focus stays where it is:
// each text to be said gets a notification of its own in the status bar,
// named with that text and shown; a reader that reads it late, after the
// next text came, still reads its words (the last few are kept). (Orca says
// a notification when it is shown, without its role inside a status bar; a
// label's or a status bar's own changes it says only when they have the
// focus.)
void offerStatus(QWidget *widget);
// Which texts are said: each text that differs from the one before (a text
// given again on every step of a scrolling message is said once), or every
// text given, also the same words again.
enum class Say { Changes, Every };
void setStatusText(QWidget *widget, const QString &text, Say say = Say::Changes);

// The label is offered as a link whose press action opens it (activated()).
void offerLink(LinkLabel *label);

// The events that make a reader say something go to the readers through
// QAccessible::updateAccessibility(), which passes them on only while a reader
// listens. A listener put in place here gets them instead, reader or not (a
// test has none); nullptr puts Qt back. Returns the listener before.
using Listener = void (*)(QAccessibleEvent *event);
Listener listenInstead(Listener listener);

// The top-level widget is offered as a window, named with its title: a
// reader reads that title when asked. A plain QWidget is offered as a filler.
void offerWindow(QWidget *window);

// A widget that is never shown is not offered at all: Qt lists hidden
// widgets too, as objects that are merely not showing.
void neverOffer(QWidget *widget);

} // namespace readeraccess
