#include "support/FilePermissions.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
static_assert(CAP_DAC_OVERRIDE < 32 && CAP_DAC_READ_SEARCH < 32, "both live in the first data word");

struct Capabilities
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
};

bool get(Capabilities& caps)
{
    return ::syscall(SYS_capget, &caps.header, caps.data) == 0;
}

bool set(Capabilities& caps)
{
    return ::syscall(SYS_capset, &caps.header, caps.data) == 0;
}

} // namespace

FilePermissions::FilePermissions()
{
    Capabilities caps;
    if (!get(caps))
        return;
    m_savedEffective = caps.data[0].effective;
    if ((m_savedEffective & kOverrides) == 0) {
        m_enforced = true;
        return;
    }
    caps.data[0].effective &= ~kOverrides;
    m_dropped = set(caps);
    m_enforced = m_dropped;
}

FilePermissions::~FilePermissions()
{
    if (!m_dropped)
        return;
    Capabilities caps;
    if (!get(caps))
        return;
    caps.data[0].effective = m_savedEffective;
    set(caps);
}
