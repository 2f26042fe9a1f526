// A raster row as the runs it goes out in, written the way the pattern tables give it:
// RunList{ { 1, m }, { 119, 0x00 }, 3 * RunList{ { 1, 0x03 }, { 15, 0x00 } }, { 72, 0x00 } }.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

struct Run
{
    int count;
    uint8_t value;
};

class RunList
{
public:
    RunList() = default;
    RunList(int count, uint8_t value) : m_runs{ Run{ count, value } } { }
    RunList(std::initializer_list<RunList> parts)
    {
        for (const RunList &part : parts)
            m_runs.insert(m_runs.end(), part.m_runs.begin(), part.m_runs.end());
    }

    // The runs of `group`, `times` over.
    friend RunList operator*(int times, const RunList &group)
    {
        RunList repeated;
        for (int i = 0; i < times; ++i)
            repeated.m_runs.insert(repeated.m_runs.end(), group.m_runs.begin(), group.m_runs.end());
        return repeated;
    }

    const std::vector<Run> &runs() const { return m_runs; }
    // The bytes the row stands for once the printer has expanded it.
    int bytes() const
    {
        int total = 0;
        for (const Run &run : m_runs)
            total += run.count;
        return total;
    }

private:
    std::vector<Run> m_runs;
};
