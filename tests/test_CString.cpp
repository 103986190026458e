#include "platform/CString.h"
#include "platform/CStringArray.h"

#include <gtest/gtest.h>
#include <string>

TEST(CString, FormatHandlesTextsLongerThanAnyFixedBuffer) {
    std::string longText(5000, 'x');
    CString str;
    str.Format("Site,%s|%d", longText.c_str(), 42);
    EXPECT_EQ(str.GetLength(), 5000 + 8);
    EXPECT_EQ(std::string(str).substr(5005), "|42");
    EXPECT_EQ(std::string(str).substr(0, 5), "Site,");
}

TEST(CString, FormatUsesPrintfNumberRules) {
    CString str;
    str.Format("%06.2lf,    % .1lf deg", 2.0, -0.25);
    EXPECT_EQ(str, "002.00,    -0.2 deg");
    str.Format(",%%.%dlf", 5);
    EXPECT_EQ(str, ",%.5lf");
}

TEST(CString, FindAndReverseFind) {
    CString str("a,b,,c");
    EXPECT_EQ(str.Find(','), 1);
    EXPECT_EQ(str.Find(',', 2), 3);
    EXPECT_EQ(str.Find(",,"), 3);
    EXPECT_EQ(str.Find("zz"), -1);
    EXPECT_EQ(str.Find(',', 99), -1);
    EXPECT_EQ(str.ReverseFind(','), 4);
    EXPECT_EQ(CString("abc").ReverseFind('/'), -1);
}

TEST(CString, SubstringsClampToTheText) {
    CString str("B12.twi");
    EXPECT_EQ(str.Left(3), "B12");
    EXPECT_EQ(str.Mid(4), "twi");
    EXPECT_EQ(str.Mid(1, 2), "12");
    EXPECT_EQ(str.Right(3), "twi");
    EXPECT_EQ(str.Left(99), "B12.twi");
    EXPECT_EQ(str.Mid(99), "");
    EXPECT_EQ(str.Right(-1), "");
}

TEST(CString, TrimWhiteSpaceOrAGivenCharacter) {
    CString str(" \t North slope ,,");
    str.TrimLeft();
    EXPECT_EQ(str, "North slope ,,");
    str.TrimRight(',');
    EXPECT_EQ(str, "North slope ");
    str.TrimRight();
    EXPECT_EQ(str, "North slope");
}

TEST(CString, CaseAndReplaceTouchOnlyAsciiLetters) {
    CString str("Depth,Face A+ \xE9");
    str.MakeUpper();
    EXPECT_EQ(str, "DEPTH,FACE A+ \xE9");
    str.MakeLower();
    EXPECT_EQ(str, "depth,face a+ \xE9");

    CString comment("see Comment End: and Comment End:");
    EXPECT_EQ(comment.Replace("Comment End:", "Comment_End:"), 2);
    EXPECT_EQ(comment, "see Comment_End: and Comment_End:");
    EXPECT_EQ(comment.Replace("", "x"), 0);
}

TEST(CStringArray, GrowsAndInserts) {
    CStringArray arr;
    EXPECT_EQ(arr.Add("a"), 0);
    arr.SetAtGrow(3, "d");
    EXPECT_EQ(arr.GetSize(), 4);
    EXPECT_EQ(arr[1], "");
    arr.InsertAt(1, "b");
    EXPECT_EQ(arr.GetAt(1), "b");
    EXPECT_EQ(arr.GetAt(4), "d");
    arr.SetSize(0);
    EXPECT_EQ(arr.GetSize(), 0);
}
