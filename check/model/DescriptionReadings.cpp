#include "check/model/DescriptionReadings.h"

#include <cstring>

namespace check {

void DescriptionReadings::Opened(const std::string& path, bool opened) {
    Finish();
    readings.push_back({});
    current_ = &readings.back();
    current_->name = path.substr(folder_.size());
    current_->opened = opened;
    line_ = 1;
    midLine_ = firstValue_ = continuationText_ = continuationCounts_ = false;
}

void DescriptionReadings::Piece(const char* piece, DescriptionLine kind) {
    const std::size_t length = std::strlen(piece);
    const bool endsLine = length > 0 && piece[length - 1] == '\n';
    if (!midLine_) {
        firstValue_ = kind == DescriptionLine::Value;
    } else {
        if (!(length == 1 && endsLine)) continuationText_ = true;
        if (kind != DescriptionLine::Other) continuationCounts_ = true;
    }
    if (kind == DescriptionLine::Value) current_->valueLines.push_back(line_);
    if (kind == DescriptionLine::End) {
        current_->endLine = line_;
        std::string text(piece, endsLine ? length - 1 : length);
        const std::size_t start = text.find_first_not_of(" \t\v\f\r");
        text = start == std::string::npos ? std::string() : text.substr(start);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
        current_->endText = text.substr(0, 60);
    }
    midLine_ = !endsLine && length == kPieceBytes;
    if (!midLine_) EndLine();
}

void DescriptionReadings::Finish() {
    if (current_ && midLine_) EndLine();
    current_ = nullptr;
}

void DescriptionReadings::EndLine() {
    if ((firstValue_ && continuationText_) || continuationCounts_)
        current_->splits.push_back({line_, firstValue_ && continuationText_});
    ++line_;
    midLine_ = firstValue_ = continuationText_ = continuationCounts_ = false;
}

}  // namespace check
