#pragma once

class QComboBox;
class QString;

namespace moxtal {

// Names an editable combo box and its edit part for screen readers. Qt's own reading of a combo
// box on Linux gives the text it holds as its name (a label beside it would name it); these boxes
// have no label, so they are read by the name given here, their text as their value.
void setAccessibleComboName(QComboBox* box, const QString& name);

}  // namespace moxtal
