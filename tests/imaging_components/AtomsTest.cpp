// Atom containers: building, walking, reading, and refusing atoms that are not there.
#include "ComponentsTestSupport.h"

namespace vxtest {
namespace {

using AtomTest = ComponentsTest;

struct Atom {
    QTAtomType mType;
    QTAtomID mID;
    std::string mData;
    bool operator==(const Atom&) const = default;
};

std::vector<Atom> Walk(QTAtomContainer inContainer)
{
    std::vector<Atom> theAtoms;
    QTAtom theAtom = 0;
    while (QTNextChildAnyType(inContainer, kParentAtomIsContainer, theAtom, &theAtom) == noErr && theAtom != 0) {
        Atom theEntry{};
        EXPECT_EQ(QTGetAtomTypeAndID(inContainer, theAtom, &theEntry.mType, &theEntry.mID), noErr);
        char theBuffer[64] = {};
        long theSize = 0;
        EXPECT_EQ(QTCopyAtomDataToPtr(inContainer, theAtom, kTrue, sizeof(theBuffer), theBuffer, &theSize), noErr);
        theEntry.mData.assign(theBuffer, std::size_t(theSize));
        theAtoms.push_back(theEntry);
    }
    return theAtoms;
}

TEST_F(AtomTest, ChildrenComeBackInOrderWithTypeIDAndData)
{
    QTAtomContainer theContainer = nullptr;
    ASSERT_EQ(QTNewAtomContainer(&theContainer), noErr);
    EXPECT_TRUE(Walk(theContainer).empty());
    const OSType theExt = FourCharCode("ext ");
    const OSType theMime = FourCharCode("mime");
    ASSERT_EQ(QTInsertChild(theContainer, 0, theExt, 0, 0, 7, "jpg,jpe", nullptr), noErr);
    ASSERT_EQ(QTInsertChild(theContainer, 0, theMime, 0, 0, 10, "image/jpeg", nullptr), noErr);
    ASSERT_EQ(QTInsertChild(theContainer, 0, theMime, 0, 3, 0, nullptr, nullptr), noErr);
    ASSERT_EQ(QTInsertChild(theContainer, 0, theMime, 9, 0, 1, "x", nullptr), noErr);
    EXPECT_EQ(
        Walk(theContainer),
        (std::vector<Atom>{{theExt, 1, "jpg,jpe"}, {theMime, 1, "image/jpeg"}, {theMime, 2, ""}, {theMime, 9, "x"}}));
    EXPECT_EQ(QTCountChildrenOfType(theContainer, 0, theMime), 3);
    EXPECT_EQ(QTCountChildrenOfType(theContainer, 0, 0), 4);
    EXPECT_EQ(QTDisposeAtomContainer(theContainer), noErr);
}

TEST_F(AtomTest, DataLargerThanTheBufferIsCutOnlyWhenAllowed)
{
    QTAtomContainer theContainer = nullptr;
    ASSERT_EQ(QTNewAtomContainer(&theContainer), noErr);
    QTAtom theAtom = 0;
    ASSERT_EQ(QTInsertChild(theContainer, 0, FourCharCode("desc"), 0, 0, 6, "abcdef", &theAtom), noErr);
    char theBuffer[4] = {'-', '-', '-', '-'};
    long theSize = -1;
    EXPECT_EQ(QTCopyAtomDataToPtr(theContainer, theAtom, kFalse, 3, theBuffer, &theSize), paramErr);
    EXPECT_EQ(theBuffer[0], '-');
    EXPECT_EQ(QTCopyAtomDataToPtr(theContainer, theAtom, kTrue, 3, theBuffer, &theSize), noErr);
    EXPECT_EQ(theSize, 3);
    EXPECT_EQ(std::string(theBuffer, 4), "abc-");
    QTDisposeAtomContainer(theContainer);
}

TEST_F(AtomTest, AtomsThatAreNotThereAreRefused)
{
    QTAtomContainer theContainer = nullptr;
    ASSERT_EQ(QTNewAtomContainer(&theContainer), noErr);
    QTAtom theAtom = 0;
    ASSERT_EQ(QTInsertChild(theContainer, 0, FourCharCode("desc"), 0, 0, 20, "twenty bytes of data", &theAtom), noErr);
    QTAtomType theType = 0;
    QTAtom theNext = 0;
    char theBuffer[32];
    for (const QTAtom theBad : {QTAtom(0), theAtom + 12, QTAtom(1), QTAtom(100000), QTAtom(-8)}) {
        EXPECT_EQ(QTGetAtomTypeAndID(theContainer, theBad, &theType, nullptr), paramErr) << theBad;
        EXPECT_EQ(QTCopyAtomDataToPtr(theContainer, theBad, kTrue, 32, theBuffer, nullptr), paramErr) << theBad;
        if (theBad != 0) {
            EXPECT_EQ(QTNextChildAnyType(theContainer, 0, theBad, &theNext), paramErr) << theBad;
        }
    }
    EXPECT_EQ(QTInsertChild(theContainer, theAtom, FourCharCode("desc"), 0, 0, 0, nullptr, nullptr), paramErr);
    EXPECT_EQ(QTInsertChild(theContainer, 0, FourCharCode("desc"), 0, 5, 0, nullptr, nullptr), paramErr);
    // A handle that is not a container is not walked.
    Handle thePlain = HandleOf(ByteVector(32, 0x41));
    EXPECT_EQ(QTNextChildAnyType(thePlain, 0, 0, &theNext), paramErr);
    EXPECT_EQ(QTDisposeAtomContainer(thePlain), paramErr);
    QTDisposeAtomContainer(theContainer);
}

TEST_F(AtomTest, AnAtomWhoseSizeRunsPastTheEndEndsTheWalk)
{
    QTAtomContainer theContainer = nullptr;
    ASSERT_EQ(QTNewAtomContainer(&theContainer), noErr);
    QTAtom theAtom = 0;
    ASSERT_EQ(QTInsertChild(theContainer, 0, FourCharCode("desc"), 0, 0, 4, "abcd", &theAtom), noErr);
    const std::int32_t theHuge = 0x7FFFFFF0;
    std::memcpy(*theContainer + theAtom, &theHuge, 4);
    QTAtom theNext = 1;
    EXPECT_EQ(QTNextChildAnyType(theContainer, 0, 0, &theNext), noErr);
    EXPECT_EQ(theNext, 0);
    char theBuffer[8];
    EXPECT_EQ(QTCopyAtomDataToPtr(theContainer, theAtom, kTrue, 8, theBuffer, nullptr), paramErr);
    QTDisposeAtomContainer(theContainer);
}

}  // namespace
}  // namespace vxtest
