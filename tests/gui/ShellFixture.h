// A window test: the platform doubles, an in-process virtual printer on every port and the
// program's five windows, created once and put back into their start state for every test.
#pragma once

#include "support/LinkFixture.h"

#include <QString>

#include <string>
#include <vector>

namespace testsupport {

class ShellFixture : public LinkFixture
{
protected:
    ShellFixture();
    ~ShellFixture() override;

    // Picks a row of each list in the start window, as the technician would.
    void pickModelAndPort(int modelRow, int portRow);
    // The adjustment window's memo, one entry per line.
    std::vector<std::string> memoLines() const;
    QString memoText() const;
    // Packets on the wire that carry the "st" request.
    int statusRequests() const;
};

} // namespace testsupport
