#include "outlook/OutlookSources.h"

namespace pimdesk::outlook {

namespace {
OutlookSource &installed()
{
    static OutlookSource source;
    return source;
}
} // namespace

void setProgramSource(OutlookSource source)
{
    installed() = std::move(source);
}

OutlookSource programSource()
{
    return installed();
}

} // namespace pimdesk::outlook
