#include "pager/PagerObject.h"

ULONG CPagerObject::ReleaseReference() noexcept {
    ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}
