// The mending of a PDF's Thai text layer on a small file laid out as Qt's PDF writer lays it out:
// the variant glyphs' map, SARA AM and marks out of order read back as typed, a second mending
// changes nothing, and a file of another shape is refused and left as it was.
#include "core/pdf_thai_text.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <vector>
#include <zlib.h>

#include "support/temp_dir.h"

namespace {

std::string packed(const std::string& s)
{
    uLongf size = compressBound(uLong(s.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(s.data()), uLong(s.size()));
    out.resize(size);
    return out;
}

std::string unpacked(const std::string& s)
{
    std::string out(1 << 16, '\0');
    uLongf size = uLongf(out.size());
    uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(s.data()), uLong(s.size()));
    out.resize(size);
    return out;
}

// Glyphs 1-7: น ํ ้ า ผ ู and a lowered ่ mapped in the private-use area; the page draws "น้ำ ผู่":
// น, NIKHAHIT before the tone mark, SARA AA, then ผ with the tone mark before the vowel below.
std::string qtLikePdf()
{
    const std::string content = "q\nBT\n/F7 267 Tf 1 0 0 -1 0 0 Tm\n1000 -1000 Td <0001> Tj\n100 0 Td <0002> Tj\n"
                                "0 0 Td <0003> Tj\n0 0 Td <0004> Tj\n80 0 Td <0005> Tj\n100 0 Td <0007> Tj\n"
                                "0 0 Td <0006> Tj\nET\nQ\n";
    const std::string cmap = "/CIDInit /ProcSet findresource begin\nbegincmap\n1 begincodespacerange\n<0000> <FFFF>\n"
                             "endcodespacerange\n1 beginbfrange\n<0001> <0006> [<0E19> <0E4D> <0E49> <0E32> <0E1C> <0E39> ]\n"
                             "endbfrange\n1 beginbfchar\n<0007> <F70A>\nendbfchar\nendcmap\nend\n";
    const std::string stream = packed(content);
    std::vector<std::string> objects = {
        "<<\n/Type /Catalog\n/Pages 3 0 R\n>>\n",
        "<<\n/Type /Pages\n/Kids [4 0 R]\n/Count 1\n>>\n",
        "<<\n/Type /Page\n/Parent 3 0 R\n/Contents 5 0 R\n/Resources 7 0 R\n>>\n",
        "<<\n/Length 6 0 R\n/Filter /FlateDecode\n>>\nstream\n" + stream + "\nendstream\n",
        std::to_string(stream.size()) + "\n",
        "<<\n/Font <<\n/F7 8 0 R\n>>\n>>\n",
        "<< /Type /Font\n/Subtype /Type0\n/ToUnicode 9 0 R>>\n",
        "<< /Length " + std::to_string(cmap.size()) + " >>\nstream\n" + cmap + "endstream\n"};
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 2) + " 0 obj\n" + objects[i] + "endobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 10\n0000000000 65535 f \n0000000000 65535 f \n";
    for (const std::size_t o : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", o);
        pdf += entry;
    }
    return pdf + "trailer\n<<\n/Size 10\n/Root 2 0 R\n>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

TEST(PdfThaiText, MendsOnceAndRefusesOtherShapes)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("t.pdf");
    testsupport::writeFile(path, qtLikePdf());
    ASSERT_EQ(core::pdf::mendThaiTextFile(path), "");
    const std::string once = testsupport::readFile(path);
    EXPECT_NE(once.find("<0007> <0E48>"), std::string::npos) << "the lowered tone mark maps to MAI EK";
    const std::size_t s = once.find("stream\n") + 7, e = once.find("\nendstream", s);
    const std::string content = unpacked(once.substr(s, e - s));
    EXPECT_NE(content.find("/Span <</ActualText <FEFF0E190E490E330E1C0E390E48>>> BDC\n1000 -1000 Td <0001> Tj"),
              std::string::npos) << content;
    EXPECT_NE(content.find("0 0 Td <0006> Tj\nEMC\nET\n"), std::string::npos) << content;
    ASSERT_EQ(core::pdf::mendThaiTextFile(path), "");
    EXPECT_EQ(testsupport::readFile(path), once);

    const std::string good = qtLikePdf();
    const std::string xrefStream = std::string(good).replace(good.find("xref\n0 10"), 9, "xref\n0 5\n5 5");
    for (const std::string& bytes : {std::string(), std::string("not a pdf"), good.substr(0, good.size() / 2),
                                     good.substr(0, good.find("startxref")), xrefStream}) {
        const std::string bad = dir.file("bad.pdf");
        testsupport::writeFile(bad, bytes);
        EXPECT_NE(core::pdf::mendThaiTextFile(bad), "") << bytes.size();
        EXPECT_EQ(testsupport::readFile(bad), bytes);
        EXPECT_FALSE(std::filesystem::exists(bad + ".mend"));
    }
}

}  // namespace
