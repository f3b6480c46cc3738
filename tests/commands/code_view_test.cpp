#include "commands/code_view.h"

#include <gtest/gtest.h>

namespace brisvel {
namespace {

TEST(CodeViewTest, RowWithoutACodeShowsItsNameAndWhyNothingElse) {
  CodeList list;
  list.append({"\x83\x65\x83\x8c\x83\x72", std::string(478, 'F') + "0G"});
  const CodeView view = ViewOfRow(list, 0);
  EXPECT_EQ(view.name, "テレビ");
  EXPECT_EQ(view.summary, "no code: the data is not 480 hexadecimal digits");
  EXPECT_EQ(view.picture.length_us, 0);
  EXPECT_TRUE(view.picture.levels.empty());
}

}  // namespace
}  // namespace brisvel
