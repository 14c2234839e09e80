#pragma once

class QLabel;
class QWidget;

// What screen readers are offered (through AT-SPI on Linux) beyond what Qt
// offers by itself. Call these while the window is made, before a reader
// first asks for it.
namespace readeraccess {

// The label's text is offered as its name and as its text, so that a reader
// reads the value it shows; Qt offers a label's name only.
void offerText(QLabel *label);

// A widget that is never shown is not offered at all: Qt lists hidden
// widgets too, as objects that are merely not showing.
void neverOffer(QWidget *widget);

} // namespace readeraccess
