#include "form1.h"

#include "colourbutton.h"
#include "form1layout.h"
#include "swatchbox.h"
#include "units.h"

#include <QFrame>
#include <QLabel>
#include <QSlider>

namespace {

void place(QWidget *widget, const Placement &p) {
    widget->move(units::unitsToPxX(p.left), units::unitsToPxY(p.top));
}

} // namespace

void Form1::placeControls(bool maximised) {
    const Form1Layout layout = maximised ? maximisedLayout() : normalLayout();
    place(m_ui.Text1, layout.text1);
    if (layout.text1Height)
        m_ui.Text1->resize(m_ui.Text1->width(), units::unitsToPxY(*layout.text1Height));
    place(m_ui.Text2, layout.text2);
    for (std::size_t i = 0; i < 16; ++i)
        place(m_ui.Command1[i], layout.command1[i]);
    for (std::size_t r = 0; r < 3; ++r) {
        place(m_ui.Label1[r], layout.label1[r]);
        place(m_ui.Label2[r], layout.label2[r]);
        place(m_ui.Label3[r], layout.label3[r]);
        place(m_ui.slider1[r], layout.slider1[r]);
    }
    place(m_ui.Frame3, layout.frame3);
}

void Form1::connectLayout() {}

void Form1::Form_Resize() {}
void Form1::Form_DblClick() {}
void Form1::Frame3_MouseMove() {}
