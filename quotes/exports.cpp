#include "quotes/exports.h"

#include "base/atomic_file.h"
#include "base/codec.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "quotes/file_places.h"
#include "quotes/lines.h"
#include "quotes/product.h"

#include <algorithm>

namespace tavir {

namespace {

std::string fromUtf8(std::string_view text)
{
    return utf8ToCp1250(text);
}

std::string productCitation()
{
    return fromUtf8("Cytaty pochodzą z darmowej aplikacji ") + titleWithVersion();
}

void writeOrThrow(const std::string& path, std::string_view bytes)
{
    if (!replaceFileContents(path, bytes))
        throw cannotCreateFile(path);
}

} // namespace

std::string textForm(const std::vector<std::string_view>& lines)
{
    std::size_t size = 0;
    for (const std::string_view line : lines)
        size += textLineSize(line);
    std::string text(size, '\0');
    char* out = text.data();
    for (const std::string_view line : lines)
        out = writeTextLine(out, line);
    return text;
}

std::string htmlPage(const std::vector<std::string_view>& templateLines,
                     std::string_view searchTextHtml, const std::vector<std::string_view>& captions)
{
    std::vector<std::string> added;
    added.push_back(fromUtf8("<font class=header>Wyszukane cytaty, zawierające: <u>") +
                    std::string(searchTextHtml) + "</u></font><br><br><ol>");
    for (const std::string_view caption : captions)
        added.push_back("<li>" + escapeHtml(caption) + "</li>\n");
    added.push_back("</ol><br><br><center>" + productCitation() +
                    ", <A href=" + std::string(kHomePage) + ">" + std::string(kHomePage) +
                    "</a></center></BODY></HTML>");

    std::vector<std::string_view> lines(templateLines);
    lines.insert(lines.end(), added.begin(), added.end());
    return textForm(lines);
}

std::string printText(const std::vector<std::string_view>& captions)
{
    const std::string closing = "- " + productCitation() + ", " + std::string(kHomePage);
    std::vector<std::string_view> lines(captions);
    lines.push_back(closing);
    return textForm(lines);
}

std::string htmlTarget(std::string chosenName)
{
    constexpr std::string_view extension = ".html";
    const bool hasExtension =
        chosenName.size() >= extension.size() &&
        std::equal(extension.begin(), extension.end(), chosenName.end() - extension.size(),
                   [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b + 0x20 : b); });
    if (!hasExtension)
        chosenName += extension;
    return chosenName;
}

void saveHtmlPage(const std::string& applicationFolder, const std::string& target,
                  std::string_view searchTextHtml, const std::vector<std::string_view>& captions)
{
    const std::string templateFile = applicationFolder + std::string(kTemplateFile);
    const FileBytes pageTemplate = readRegularFile(templateFile, kNoSizeLimit);
    if (!pageTemplate.ok())
        throw cannotOpenFile(templateFile);
    // The template splits into lines by the same rules as the quotation file.
    writeOrThrow(target, htmlPage(lineViews(pageTemplate.bytes), searchTextHtml, captions));
}

std::string writePrintFile(const std::string& path, const std::vector<std::string_view>& captions)
{
    makeParentFolders(path);
    writeOrThrow(path, printText(captions));
    return path;
}

} // namespace tavir
