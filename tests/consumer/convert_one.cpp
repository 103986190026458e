// convert_one SOURCE: converts one survey beside itself, in the direction
// its extension names, as the Convert button would; prints the message and
// exits 0 when the survey was converted.
#include <veltrane/Veltrane.h>

#include <cstdio>

namespace {

class CPrintingHost : public CConvertHost {
public:
    explicit CPrintingHost(int nDirection) : m_nDirection(nDirection) {}
    int GetDirection() override { return m_nDirection; }
    void ShowMessage(CString strText) override {
        std::printf("%s\n", static_cast<LPCSTR>(strText));
    }

private:
    int m_nDirection;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: convert_one SOURCE\n");
        return 2;
    }
    CPrintingHost host(CConvertCommand::GuessDirection(CConvertCommand::ExtensionOf(argv[1])));
    CConvertCommand command(host);
    command.SelectPath(argv[1]);
    command.OnConvert();
    std::printf("%s\n", VELTRANE_NAME_AND_VERSION);
    return command.m_nLastOutcome == outcomeConverted ? 0 : 1;
}
