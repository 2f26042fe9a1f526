// A window test: the platform doubles, an in-process virtual printer on every port and the
// program's five windows, made afresh for every test as the program makes them at its start.
#pragma once

#include "support/LinkFixture.h"
#include "support/ProgramTexts.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace testsupport {

// Deletes the five windows, creates them as the program does and shows the start window.
void freshWindows();
// A list of texts as the windows hold it.
QStringList qt(const std::vector<std::string> &items);

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
