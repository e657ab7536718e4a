#pragma once
// The contract between the utility and its host, each name and code spelled
// once: the utility, the host-link library, the stand-in host and the tests
// all take them from here.
#include <cstdint>
#include <string_view>

namespace kes {

// DDE: every request is one execute on this service and topic.
inline constexpr std::string_view kDdeService = "KesUtil";
inline constexpr std::string_view kDdeTopic = "KesUtil_MSG";

// The shared settings: HKEY_CURRENT_USER\<kSettingsRoot>\<kAppName>\<section>,
// text values.
inline constexpr std::wstring_view kSettingsRoot = L"Software\\VB and VBA Program Settings";
inline constexpr std::string_view kAppName = "Kestrelsim";
inline constexpr std::string_view kSectionMisc = "Misc";
inline constexpr std::string_view kSectionMessages = "Messages";
// The host's main window handle, decimal; the utility lives as long as it does.
inline constexpr std::string_view kHostWndValue = "Kestrelsim hWnd";
// The utility's hidden main window handle, decimal, while it runs.
inline constexpr std::string_view kScrollbarValue = "Scrollbar";
// The token window's reply.
inline constexpr std::string_view kListMessageValue = "kesUtilListMessage";
// What a read of an absent value gives.
inline constexpr std::string_view kNoRegistryData = "NO_REGISTRY_DATA";

// Command strings: "@"-closed fields, the first a request code.
inline constexpr char kFieldSeparator = '@';
inline constexpr int32_t kNoRequestCode = -2000;  // no usable code
inline constexpr int32_t kStartOnlyCode = -3;
inline constexpr int32_t kFastWatchdogCode = -2;  // poll the host window every 10 ms
inline constexpr int32_t kCloseCode = -1;         // any other code opens

// Window numbers (field 2 of an open or close request).
inline constexpr int32_t kWindowFunctionList = 0;  // help, the parser function list
inline constexpr int32_t kWindowHelpText = 1;      // help, the host's text
inline constexpr int32_t kWindowConverter = 5;
inline constexpr int32_t kWindowTokenList = 6;

// The utility's windows by class and caption, for a host or its tests to find
// them. The hidden main window is captioned kDdeService; the token window
// "<prefix> Tokens"; the message box with its title, "Kestrelsim" (kAppName)
// in every box the tool windows raise.
inline constexpr wchar_t kMainWindowClass[] = L"KesUtilMain";
inline constexpr wchar_t kConverterClass[] = L"KesUtilConverter";
inline constexpr wchar_t kHelpClass[] = L"KesUtilHelp";
inline constexpr wchar_t kTokenListClass[] = L"KesUtilTokenList";
inline constexpr wchar_t kMessageFormClass[] = L"KesUtilMessage";
inline constexpr char kConverterCaption[] = "Units Converter";
inline constexpr char kParserFunctionListCaption[] = "Kestrelsim Parser Function List";
inline constexpr char kSpectralPowerCaption[] = "Spectral Power in Selected Range";
// The named object the first instance holds; a later start that finds it forwards.
inline constexpr wchar_t kInstanceObject[] = L"Local\\KesUtil.Instance";

// Token request "current~prefix~item~...~" and reply "current~value~...~".
inline constexpr char kTokenSeparator = '~';

// The message box: icon (and beep) codes, button sets, default-button codes
// and results.
inline constexpr int32_t kMsgIconStop = 16;
inline constexpr int32_t kMsgIconQuestion = 32;
inline constexpr int32_t kMsgIconWarning = 48;
inline constexpr int32_t kMsgIconInformation = 64;
inline constexpr int32_t kMsgButtonsOk = 0;
inline constexpr int32_t kMsgButtonsOkCancel = 1;
inline constexpr int32_t kMsgButtonsYesNoCancel = 3;
inline constexpr int32_t kMsgButtonsYesNo = 4;
inline constexpr int32_t kMsgCustomButtons = 5000;
inline constexpr int32_t kMsgDefaultFirst = 0;
inline constexpr int32_t kMsgDefaultSecond = 256;
inline constexpr int32_t kMsgDefaultThird = 512;
inline constexpr int32_t kMsgDefaultFourth = 768;
inline constexpr int32_t kMsgDefaultFifth = 5;
inline constexpr int32_t kMsgResultOk = 1;
inline constexpr int32_t kMsgResultCancel = 2;
inline constexpr int32_t kMsgResultYes = 6;
inline constexpr int32_t kMsgResultNo = 7;
inline constexpr int32_t kMsgCustomCancel = -1;

}  // namespace kes
