#include "HandlerBoundary.h"

#include "VelmarApplication.h"

void HandlerBoundary::report(std::exception_ptr error) noexcept
{
    try {
        VelmarApplication::ShowError(VelmarApplication::messageOf(error));
    } catch (...) {
        // Showing the message failed as well (no memory left): nothing more can be done here.
    }
}
