#include <gtest/gtest.h>

#include "host/formula/FutureFunctions.h"

namespace tavlora::host::formula {
namespace {

TEST(FutureFunctionsTest, NewerFunctionsGetTheirFilePrefixOnce) {
    EXPECT_EQ(withFutureFunctionPrefixes("IFS(A1>0,\"pos\",TRUE,\"neg\")"), "_xlfn.IFS(A1>0,\"pos\",TRUE,\"neg\")");
    EXPECT_EQ(withFutureFunctionPrefixes("SUM(A1:A3)+stdev.s(B1:B9)"), "SUM(A1:A3)+_xlfn.stdev.s(B1:B9)");
    EXPECT_EQ(withFutureFunctionPrefixes("_xlfn.XLOOKUP(1,A:A,B:B)"), "_xlfn.XLOOKUP(1,A:A,B:B)");
    EXPECT_EQ(withFutureFunctionPrefixes("FILTER(A1:A9,B1:B9>2)"), "_xlfn._xlws.FILTER(A1:A9,B1:B9>2)");
    // Texts, defined names and functions of the first version stay as written.
    EXPECT_EQ(withFutureFunctionPrefixes("CONCATENATE(\"IFS(\",Total,SUMIFS(A:A,B:B,1))"),
              "CONCATENATE(\"IFS(\",Total,SUMIFS(A:A,B:B,1))");
    EXPECT_EQ(withFutureFunctionPrefixes("A1*B1"), "A1*B1");
    EXPECT_EQ(futureFunctionPrefix("IFERROR"), "");
    EXPECT_EQ(futureFunctionPrefix("textjoin"), "_xlfn.");
    // Files the application wrote keep these newer functions without a prefix.
    EXPECT_EQ(futureFunctionPrefix("NETWORKDAYS.INTL"), "");
    EXPECT_EQ(futureFunctionPrefix("ISO.CEILING"), "");
}

TEST(FutureFunctions, PrefixesAreDroppedForShowing) {
    EXPECT_EQ(withoutFutureFunctionPrefixes("_xlfn.IFNA(A1,0)+_xlfn._xlws.SORT(B1:B3)"), "IFNA(A1,0)+SORT(B1:B3)");
    EXPECT_EQ(withoutFutureFunctionPrefixes("\"_xlfn.IFS(\"&A1"), "\"_xlfn.IFS(\"&A1");  // a text stays
    EXPECT_EQ(withoutFutureFunctionPrefixes("SUM(A1:A3)"), "SUM(A1:A3)");
}

}  // namespace
}  // namespace tavlora::host::formula
