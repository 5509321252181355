#include "handlers.h"

#include <exception>

#include <QString>

#include "messages.h"
#include "seams.h"

namespace moxtal {

void runHandler(QWidget* window, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        MessageBox::show(window, errorText(e));
    }
}

}  // namespace moxtal
