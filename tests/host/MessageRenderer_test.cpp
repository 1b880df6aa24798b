#include "host/MessageRenderer.h"

#include <gtest/gtest.h>

#include "host/Text.h"

namespace tvkhost {
namespace {

class RendererTest : public ::testing::Test {
 protected:
  MessageRenderer Make(bool live) {
    return MessageRenderer(
        live, 40, [this](const std::string& s) { screen_ += s; },
        [this](const std::string& s) { log_ += s; });
  }
  std::string screen_;
  std::string log_;
};

TEST(Layout, RightAlignsTheStatusColumnOneShortOfTheWidth) {
  std::string line = MessageRenderer::Layout(0, "Odczyt typu kasy ...\x01OK", 40);
  EXPECT_EQ(line, "  Odczyt typu kasy ..." + std::string(15, ' ') + "OK");
  EXPECT_EQ(line.size(), 39u);
}

TEST(Layout, MarksWarningsAndErrorsAndKeepsLongTextWhole) {
  EXPECT_EQ(MessageRenderer::Layout(1, "Uwaga", 40), "W Uwaga");
  EXPECT_EQ(MessageRenderer::Layout(2, "Błąd", 40), "E Błąd");
  std::string longText(50, 'x');
  EXPECT_EQ(MessageRenderer::Layout(0,
                                    longText + "\x01"
                                               "7",
                                    40),
            "  " + longText + " 7");
}

TEST_F(RendererTest, PlainOutputWritesEachLineOnceInItsFinalForm) {
  MessageRenderer r = Make(false);
  r.Add(0,
        "Analiza listy towarów:\x01"
        "0 %");
  r.ReplaceLast(0,
                "Analiza listy towarów:\x01"
                "50 %");
  EXPECT_EQ(screen_, "");  // still held: the driver may move it on
  r.ReplaceLast(0,
                "Analiza listy towarów:\x01"
                "100 %");
  r.Add(0, "Koniec");
  r.Flush();
  std::string expected = Cp1250ToUtf8(MessageRenderer::Layout(0,
                                                              "Analiza listy towarów:\x01"
                                                              "100 %",
                                                              40)) +
                         "\n  Koniec\n";
  EXPECT_NE(expected.find("towar\xC3\xB3w:"), std::string::npos);  // UTF-8 on the way out
  EXPECT_EQ(screen_, expected);
  EXPECT_EQ(log_, expected);
}

TEST_F(RendererTest, LiveOutputRedrawsTheLastLineInPlace) {
  MessageRenderer r = Make(true);
  r.Add(0,
        "Zapis:\x01"
        "0 %");
  r.ReplaceLast(0,
                "Zapis:\x01"
                "100 %");
  std::string first = MessageRenderer::Layout(0,
                                              "Zapis:\x01"
                                              "0 %",
                                              40) +
                      "\n";
  std::string second = MessageRenderer::Layout(0,
                                               "Zapis:\x01"
                                               "100 %",
                                               40) +
                       "\n";
  // Cursor up to the line's start, clear to the end of the screen, draw it anew.
  EXPECT_EQ(screen_, first + "\x1b[1F\x1b[J" + second);
  EXPECT_EQ(log_, "");  // the log gets the final form only
  r.Flush();
  EXPECT_EQ(log_, second);
}

TEST_F(RendererTest, LiveOutputColoursErrorsAndWarnings) {
  MessageRenderer r = Make(true);
  r.Add(2, "Błąd [7]");
  r.Add(1, "Uwaga");
  EXPECT_NE(screen_.find("\x1b[1;31mE B\xC5\x82\xC4\x85\x64 [7]\x1b[0m\n"), std::string::npos);
  EXPECT_NE(screen_.find("\x1b[33mW Uwaga\x1b[0m\n"), std::string::npos);
}

TEST_F(RendererTest, AReplacementAfterANoteIsShownAsANewLine) {
  MessageRenderer r = Make(true);
  r.Add(0,
        "Zapis wyniku eksportu:\x01"
        "50 %");
  r.Note("tvkhost: stored");
  r.ReplaceLast(0, "Zapis wyniku eksportu:\x01OK");
  EXPECT_EQ(screen_.find("\x1b[1F"), std::string::npos);  // nothing above the note is erased
  r.Flush();
  EXPECT_NE(log_.find("tvkhost: stored\n  Zapis wyniku eksportu:"), std::string::npos);
}

TEST_F(RendererTest, CountsErrorLinesByTheirFinalSignificance) {
  MessageRenderer r = Make(false);
  r.Add(0, "Krok");
  r.ReplaceLast(2, "Krok");  // the step failed after all
  r.Add(2, "Podczas wykonywania operacji 'x' wystąpił błąd:");
  r.Add(0, "dalej");
  r.Flush();
  EXPECT_EQ(r.ErrorLines(), 2);
  std::vector<MessageLine> lines = r.TakeHistory();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].significance, 2);
  EXPECT_EQ(r.ErrorLines(), 0);
}

}  // namespace
}  // namespace tvkhost
