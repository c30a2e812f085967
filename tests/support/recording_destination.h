// A print destination for tests of printing code: installed for its lifetime (the previous one
// restored after), it hands out jobs that record into jobs it keeps, and writes down what each
// open asked for and the raw bytes sent after it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/print_destination.h"
#include "support/recording_print_job.h"
#include "support/seams.h"

namespace testsupport {

class RecordingDestination final : public core::PrintDestination {
public:
    std::unique_ptr<core::PrintJob> open(std::string_view kind, bool preview, const std::string& title) override
    {
        kinds.emplace_back(kind);
        previews.push_back(preview);
        titles.push_back(title);
        jobs.push_back(std::make_unique<RecordingPrintJob>(dpi));
        jobs.back()->marginLeft = marginLeft;
        jobs.back()->marginTop = marginTop;
        jobs.back()->failingPictures = failingPictures;
        return std::make_unique<ForwardingJob>(*jobs.back());
    }
    bool sendRaw(const std::string& bytes) override
    {
        raw.push_back(bytes);
        rawAfterEnd.push_back(!jobs.empty() && !jobs.back()->log.empty() && jobs.back()->log.back() == "end");
        return rawAccepted;
    }
    // What the last job drew, one call a line ("" before any).
    std::string texts() const
    {
        std::string out;
        if (!jobs.empty())
            for (const std::string& l : jobs.back()->log)
                out += l + "\n";
        return out;
    }

    // For the jobs opened from now on.
    int dpi = 1200;
    int marginLeft = 0, marginTop = 0;
    std::string failingPictures;
    bool rawAccepted = false;

    std::vector<std::string> kinds, titles, raw;
    std::vector<bool> previews, rawAfterEnd;
    std::vector<std::unique_ptr<RecordingPrintJob>> jobs;

private:
    Installed<core::PrintDestination, core::setPrintDestination> m_installed{this};
};

}  // namespace testsupport
