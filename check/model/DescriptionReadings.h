// What setup.exe's line reader sees of each description file, collected as
// discovery reads: the line of each row, the line that ended the reading
// early, and the lines it read in pieces.
#pragma once

#include <string>
#include <vector>

#include "catalogue/Discovery.h"

namespace check {

constexpr std::size_t kPieceBytes = kLineBuffer - 1;  // what one read of setup.exe's lines holds

struct DescriptionReading {
    std::string name;  // in the code page
    bool opened = false;
    std::vector<int> valueLines;  // the line of each row, in order
    int endLine = 0;              // the line that ended the reading early; 0: none
    std::string endText;          // that line's first words
    struct Split {
        int line;
        bool rowCut;  // a row's text was cut; else a later piece counted as a line
    };
    std::vector<Split> splits;
};

class DescriptionReadings final : public DescriptionListener {
public:
    explicit DescriptionReadings(const std::string& folder) : folder_(folder) {}
    std::vector<DescriptionReading> readings;  // in reading order

    void Opened(const std::string& path, bool opened) override;
    void Piece(const char* piece, DescriptionLine kind) override;
    void Finish();  // after the last piece of the last file

private:
    void EndLine();
    std::string folder_;
    DescriptionReading* current_ = nullptr;
    int line_ = 1;
    bool midLine_ = false, firstValue_ = false, continuationText_ = false,
         continuationCounts_ = false;
};

}  // namespace check
