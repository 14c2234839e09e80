#pragma once

class LinkLabel;
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
// name is its own, its text the last one given to setStatusText().
void offerStatus(QWidget *widget);
void setStatusText(QWidget *widget, const QString &text);

// The label is offered as a link whose press action opens it (activated()).
void offerLink(LinkLabel *label);

// A widget that is never shown is not offered at all: Qt lists hidden
// widgets too, as objects that are merely not showing.
void neverOffer(QWidget *widget);

} // namespace readeraccess
