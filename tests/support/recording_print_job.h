// RecordingPrintJob: a print job that writes down what was drawn, one line per call, for tests of
// printing code. Texts are kept in UTF-8; a text is as wide as 1/2 of its font height per byte. A
// form picture is written down after its page's line, before everything else drawn on the page.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/print_job.h"
#include "core/tis620.h"

namespace testsupport {

class RecordingPrintJob final : public core::PrintJob {
public:
    explicit RecordingPrintJob(int dpi = 1200) : m_dpi(dpi), m_width(dpi * 827 / 100), m_height(dpi * 1169 / 100) {}

    bool begin(const std::string& title) override
    {
        log.push_back("begin " + core::tis620::toUtf8(title));
        return true;
    }
    bool end() override
    {
        log.push_back("end");
        return true;
    }
    void beginPage() override
    {
        ++m_pages;
        log.push_back("page " + std::to_string(m_pages));
        m_pageStart = log.size();
        m_forms = 0;
    }
    void endPage() override {}
    int pageCount() const override { return m_pages; }
    int dpiX() const override { return m_dpi; }
    int dpiY() const override { return m_dpi; }
    int pageWidth() const override { return m_width; }
    int pageHeight() const override { return m_height; }
    int printableLeft() const override { return marginLeft; }
    int printableTop() const override { return marginTop; }
    void setPaperSize(int w, int l) override
    {
        log.push_back("paper " + std::to_string(w) + " " + std::to_string(l));
        m_width = int(w * m_dpi / 254);
        m_height = int(l * m_dpi / 254);
    }
    void text(int x, int y, const std::string& text, const core::PrintFont& font, core::PrintAlign align) override
    {
        const char* a = align == core::PrintAlign::Left ? "L" : align == core::PrintAlign::Right ? "R" : "C";
        log.push_back("text " + std::to_string(x) + " " + std::to_string(y) + " " + a + " " + font.face + " " +
                      std::to_string(font.height) + " " + core::tis620::toUtf8(text));
    }
    int textWidth(const std::string& text, const core::PrintFont& font) override
    {
        return int(text.size()) * std::abs(font.height) / 2;
    }
    void line(int x1, int y1, int x2, int y2, int pen) override
    {
        log.push_back("line " + std::to_string(x1) + " " + std::to_string(y1) + " " + std::to_string(x2) + " " +
                      std::to_string(y2) + " " + std::to_string(pen));
    }
    bool picture(int x, int y, int w, int h, const std::string& path) override
    {
        log.push_back("picture " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(w) + " " +
                      std::to_string(h) + " " + path);
        return prints(path);
    }

    bool formPicture(const std::string& path) override
    {
        const std::string entry = "form " + std::to_string(m_width) + " " + std::to_string(m_height) + " " + path;
        log.insert(log.begin() + std::ptrdiff_t(std::min(m_pageStart + m_forms, log.size())), entry);
        ++m_forms;
        return prints(path);
    }

    std::vector<std::string> log;
    // Pictures whose path holds this text are written down but fail to print; empty: none fail.
    std::string failingPictures;
    int marginLeft = 0;  // the printable area's corner in dots
    int marginTop = 0;

private:
    bool prints(const std::string& path) const
    {
        return failingPictures.empty() || path.find(failingPictures) == std::string::npos;
    }

    int m_dpi;
    int m_width;   // A4 until a paper size is set
    int m_height;
    int m_pages = 0;
    std::size_t m_pageStart = 0;  // where the open page's entries begin in the log
    std::size_t m_forms = 0;      // form pictures on the open page
};

// Hands every call to a recording job the test keeps, so that the test reads what was drawn after
// the program has ended (and destroyed) its own job.
class ForwardingJob final : public core::PrintJob {
public:
    explicit ForwardingJob(RecordingPrintJob& to) : m_to(to) {}
    bool begin(const std::string& t) override { return m_to.begin(t); }
    bool end() override { return m_to.end(); }
    void beginPage() override { m_to.beginPage(); }
    void endPage() override { m_to.endPage(); }
    int pageCount() const override { return m_to.pageCount(); }
    int dpiX() const override { return m_to.dpiX(); }
    int dpiY() const override { return m_to.dpiY(); }
    int pageWidth() const override { return m_to.pageWidth(); }
    int pageHeight() const override { return m_to.pageHeight(); }
    int printableLeft() const override { return m_to.printableLeft(); }
    int printableTop() const override { return m_to.printableTop(); }
    void setPaperSize(int w, int l) override { m_to.setPaperSize(w, l); }
    void text(int x, int y, const std::string& t, const core::PrintFont& f, core::PrintAlign a) override
    {
        m_to.text(x, y, t, f, a);
    }
    int textWidth(const std::string& t, const core::PrintFont& f) override { return m_to.textWidth(t, f); }
    void line(int x1, int y1, int x2, int y2, int pen) override { m_to.line(x1, y1, x2, y2, pen); }
    bool picture(int x, int y, int w, int h, const std::string& path) override { return m_to.picture(x, y, w, h, path); }
    bool formPicture(const std::string& path) override { return m_to.formPicture(path); }

private:
    RecordingPrintJob& m_to;
};

}  // namespace testsupport
