#pragma once

#include <cstdint>

// While one exists, the calling thread's file access obeys the mode bits even when it runs as
// root: the capabilities that override them (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH) are taken out
// of the effective set and put back when it goes. For any other user it changes nothing.
// Capabilities belong to a thread, so the file access under test must run on the same thread.
class FilePermissions
{
public:
    FilePermissions();
    ~FilePermissions();
    FilePermissions(const FilePermissions&) = delete;
    FilePermissions& operator=(const FilePermissions&) = delete;

    // False if the overriding capabilities could not be dropped, so that mode bits do not bind.
    bool enforced() const { return m_enforced; }

private:
    std::uint32_t m_savedEffective = 0;
    bool m_dropped = false;
    bool m_enforced = false;
};
