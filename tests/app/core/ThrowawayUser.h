#pragma once

#include <QString>
#include <QStringList>
#include <sys/types.h>

// A user and a group of their own, made for one test and removed with it. Only root can make
// them; IsValid() is false otherwise, and the test skips.
class ThrowawayUser
{
public:
    ThrowawayUser();
    ~ThrowawayUser();
    ThrowawayUser(const ThrowawayUser&) = delete;
    ThrowawayUser& operator=(const ThrowawayUser&) = delete;

    [[nodiscard]] bool IsValid() const { return m_valid; }
    [[nodiscard]] uid_t Uid() const { return m_uid; }
    [[nodiscard]] gid_t Gid() const { return m_gid; }
    // Arguments that run a program as this user: setpriv ... PROGRAM ARGS.
    [[nodiscard]] QStringList RunAs() const;

private:
    QString m_name;
    bool m_valid = false;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};
