#pragma once
#include <fstream>
#include <string>

// The lines of a run's log that report a fault ("Error" or "Warning"), joined; "" when
// the log is clean or was not written. The game logs its start-up steps as it goes.
inline std::string FaultLines(const std::string& log_path) {
    std::ifstream in(log_path);
    std::string line, faults;
    while (std::getline(in, line))
        if (line.find("Error") != std::string::npos || line.find("Warning") != std::string::npos)
            faults += line + "\n";
    return faults;
}
