#include "e2e/document_fixtures.h"

#include <cstdio>
#include <vector>

namespace vemba_test {

std::string could_not(std::string_view doc_id) {
  return "Could not extract text from document " + std::string(doc_id) + " (not indexed yet or unsupported type).";
}

void write_script(const fs::path& path, std::string_view text) {
  write_file(path, text);
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

std::string tiny_pdf(std::string_view words) {
  const std::string stream = "BT /F1 18 Tf 10 40 Td (" + std::string(words) + ") Tj ET";
  const std::string objects[] = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 100] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
  std::string pdf = "%PDF-1.4\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < std::size(objects); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 6\n0000000000 65535 f \n";
  for (std::size_t at : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", at);
    pdf += line;
  }
  pdf += "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace vemba_test
