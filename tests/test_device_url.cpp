// The web page a double click opens: only http on an IPv4 address and a port.
#include "device_url.h"

#include <gtest/gtest.h>

namespace {

struct PageCase {
    const char* name;
    std::u16string ip;
    std::u16string port;
    std::u16string url; // empty: nothing may be opened
    std::u16string text;
};

class DeviceWebPageCases : public testing::TestWithParam<PageCase>
{
};

std::string Narrow(const std::u16string& text)
{
    return std::string(text.begin(), text.end());
}

} // namespace

TEST_P(DeviceWebPageCases, BuildsTheUrlOrRefusesIt)
{
    const DeviceUrl page = DeviceWebPage(GetParam().ip, GetParam().port);
    EXPECT_EQ(Narrow(GetParam().url), Narrow(page.url));
    EXPECT_EQ(Narrow(GetParam().text), Narrow(page.text));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeviceWebPageCases,
    testing::Values(
        PageCase{"WorkerFilled", u"192.168.1.10 ", u"80 ", u"http://192.168.1.10:80",
                 u"http://192.168.1.10:80"},
        PageCase{"EditedWithoutBlanks", u"10.0.0.7", u"8000", u"http://10.0.0.7:8000",
                 u"http://10.0.0.7:8000"},
        PageCase{"EmptyPort", u"10.0.0.7 ", u"", u"http://10.0.0.7", u"http://10.0.0.7:"},
        PageCase{"BlankPort", u"10.0.0.7 ", u" ", u"http://10.0.0.7", u"http://10.0.0.7:"},
        PageCase{"ZeroPaddedAddress", u"192.168.001.010 ", u"080 ", u"http://192.168.1.10:80",
                 u"http://192.168.001.010:080"},
        PageCase{"HostName", u"evil.example ", u"80 ", u"", u"http://evil.example:80"},
        PageCase{"HexAddress", u"0x7f000001", u"80", u"", u"http://0x7f000001:80"},
        PageCase{"ShortDottedAddress", u"127.1", u"80", u"", u"http://127.1:80"},
        PageCase{"PathSmuggled", u"1.2.3.4/evil?x=", u"80 ", u"", u"http://1.2.3.4/evil?x=:80"},
        PageCase{"OtherScheme", u"javascript:alert(1)//", u"80", u"",
                 u"http://javascript:alert(1)//:80"},
        PageCase{"UserInfo", u"evil@10.0.0.1", u"80", u"", u"http://evil@10.0.0.1:80"},
        PageCase{"HighestPort", u"10.0.0.7", u"65535", u"http://10.0.0.7:65535",
                 u"http://10.0.0.7:65535"},
        PageCase{"PortTooBig", u"10.0.0.7", u"65536", u"", u"http://10.0.0.7:65536"},
        PageCase{"ZeroPaddedPort", u"10.0.0.7", u"00080", u"http://10.0.0.7:80",
                 u"http://10.0.0.7:00080"},
        PageCase{"TabAfterAddress", u"10.60.1.5\t ", u"80", u"", u"http://10.60.1.5\t:80"},
        PageCase{"PortZero", u"10.0.0.7", u"0", u"", u"http://10.0.0.7:0"},
        PageCase{"PortWithPath", u"10.0.0.7", u"80/x", u"", u"http://10.0.0.7:80/x"},
        PageCase{"OctetTooBig", u"10.0.0.256", u"80", u"", u"http://10.0.0.256:80"},
        PageCase{"EmptyAddress", u" ", u"80", u"", u"http://:80"},
        PageCase{"InnerBlank", u"10.0. 0.7", u"80", u"", u"http://10.0. 0.7:80"}),
    [](const testing::TestParamInfo<PageCase>& param) { return std::string(param.param.name); });
