#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/PortOpenFailure.h"

namespace {

struct FailureRow {
    PortOpenFailure failure;
    PortOpenHelp help;
    std::string text;
};

TEST(PortOpenFailure, EachReasonSaysWhyAndTheFix)
{
    using S = PortOpenStep;
    const std::string gone =
        "/dev/ttyUSB0 포트가 없읍니다: 어댑터가 빠졌거나 장치 이름이 바뀌었을 수 있읍니다";
    const std::vector<FailureRow> rows = {
        {{S::kOpen, EACCES},
         {"dialout", "kim", {}},
         "/dev/ttyUSB0 포트를 열 권한이 없읍니다: 'sudo usermod -aG dialout kim' 명령으로 "
         "dialout 그룹에 넣은 뒤 다시 로그인하면 열 수 있읍니다"},
        // No group whose members may use the device: no fix to offer.
        {{S::kOpen, EPERM}, {"", "kim", {}}, "/dev/ttyUSB0 포트를 열 권한이 없읍니다"},
        {{S::kLock, EWOULDBLOCK},
         {"", "", PortHolder{1234, "minicom"}},
         "/dev/ttyUSB0 포트를 다른 프로그램(minicom, 프로세스 1234)이 쓰고 있어 열지 "
         "못했읍니다: 그 프로그램을 끝내면 열 수 있읍니다"},
        {{S::kOpen, EBUSY},
         {"", "", PortHolder{812, "ModemManager"}},
         "/dev/ttyUSB0 포트를 다른 프로그램(ModemManager, 프로세스 812)이 쓰고 있어 열지 "
         "못했읍니다: 모뎀 관리자가 새 USB 어댑터를 살피는 중이면 잠시 뒤에 열 수 있읍니다"},
        {{S::kOpen, EBUSY}, {}, "/dev/ttyUSB0 포트를 다른 프로그램이 쓰고 있어 열지 못했읍니다"},
        {{S::kOpen, ENOENT}, {}, gone},
        {{S::kOpen, ENODEV}, {}, gone},
        {{S::kOpen, ENXIO}, {}, gone},
        {{S::kConfigure, EIO}, {}, gone},
        {{S::kNotTerminal, ENOTTY},
         {},
         "/dev/ttyUSB0 장치는 시리얼 통신 포트가 아니어서 열지 못했읍니다"},
        // Everything else names the system's error and the step.
        {{S::kOpen, EMFILE},
         {},
         "\"Too many open files\" 오류로 /dev/ttyUSB0 포트를 여는데 실패했읍니다"},
        {{S::kConfigure, EINVAL},
         {},
         "\"Invalid argument\" 오류로 /dev/ttyUSB0 포트의 통신 속도와 형식을 설정하는데 "
         "실패했읍니다"},
        {{S::kConfigure, EACCES},
         {},
         "\"Permission denied\" 오류로 /dev/ttyUSB0 포트의 통신 속도와 형식을 설정하는데 "
         "실패했읍니다"},
        {{S::kLock, ENOLCK},
         {},
         "\"No locks available\" 오류로 /dev/ttyUSB0 포트를 혼자 쓰도록 잠그는데 실패했읍니다"},
        {{S::kReader, EAGAIN},
         {},
         "\"Resource temporarily unavailable\" 오류로 /dev/ttyUSB0 포트의 수신 스레드를 "
         "시작하는데 실패했읍니다"},
    };
    for (const FailureRow& row : rows) {
        EXPECT_EQ(PortOpenFailureText("/dev/ttyUSB0", row.failure, row.help), row.text)
            << "step " << static_cast<int>(row.failure.step) << " errno " << row.failure.error;
    }
}

}  // namespace
