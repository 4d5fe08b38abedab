#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace nimbo::platform {
namespace {

struct Shown {
    std::u16string text;
    std::u16string caption;
    MessageBoxButtons buttons;
};

// Puts the default handler back however the test ends.
class MessageBoxTest : public testing::Test {
protected:
    void TearDown() override { SetMessageBoxHandler({}); }
};

TEST_F(MessageBoxTest, AnInstalledHandlerAnswersABoxShownByAWorker) {
    std::vector<Shown> shown;
    SetMessageBoxHandler([&](const std::u16string& text, const std::u16string& caption, MessageBoxButtons buttons) {
        shown.push_back({text, caption, buttons});
        return MessageBoxResult::Yes;
    });

    MessageBoxResult answer = MessageBoxResult::Ok;
    std::thread worker([&] {
        answer = ShowMessageBox(u"파일 쓰기 오류가 발생하였습니다.", MessageBoxButtons::YesNo, u"Nimbo");
    });
    worker.join();

    EXPECT_EQ(answer, MessageBoxResult::Yes);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"파일 쓰기 오류가 발생하였습니다.");
    EXPECT_EQ(shown[0].caption, u"Nimbo");
    EXPECT_EQ(shown[0].buttons, MessageBoxButtons::YesNo);
}

TEST_F(MessageBoxTest, TheDefaultWritesUtf8ToStandardErrorAndDeclines) {
    SetMessageBoxHandler({});
    testing::internal::CaptureStderr();
    const MessageBoxResult question = ShowMessageBox(u"받으시겠습니까?", MessageBoxButtons::YesNo);
    const MessageBoxResult threeWay = ShowMessageBox(u"이어서 받을까요?", MessageBoxButtons::YesNoCancel);
    const MessageBoxResult notice = ShowMessageBox(u"완료");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "받으시겠습니까?\n이어서 받을까요?\n완료\n");
    EXPECT_EQ(question, MessageBoxResult::No);
    EXPECT_EQ(threeWay, MessageBoxResult::Cancel);
    EXPECT_EQ(notice, MessageBoxResult::Ok);
}

}  // namespace
}  // namespace nimbo::platform
