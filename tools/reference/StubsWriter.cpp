// hosts/php/vellumax.stub.php: the PHP host's functions and classes, and one interface per built
// class with its properties and methods as editors read them from doc comments.
#include <sstream>

#include "ReferenceModel.h"

namespace {

std::string PhpType(VARTYPE inType)
{
    switch (inType & ~VT_BYREF) {
    case VT_BSTR:
        return "string";
    case VT_I4:
        return "int";
    case VT_R4:
    case VT_R8:
        return "float";
    case VT_BOOL:
        return "bool";
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return "?AutomationObject";
    default:
        return "mixed";
    }
}

// One line of a doc comment: no "*/" may end the comment early.
std::string Line(const std::string& inText)
{
    std::string theLine = inText;
    for (std::size_t theAt = theLine.find("*/"); theAt != std::string::npos; theAt = theLine.find("*/"))
        theLine.replace(theAt, 2, "* /");
    return theLine;
}

void WriteMethod(std::ostringstream& ioOut, const MemberModel& inMember)
{
    std::string theList;
    std::size_t theOuts = 0;
    bool isOptional = false;
    for (const ParamModel& theParam : inMember.CallerParams()) {
        const bool isOut = (theParam.mFlags & PARAMFLAG_FOUT) != 0;
        theOuts += isOut;
        if (isOut)
            continue;  // left out, it comes back in the result
        isOptional = isOptional || (theParam.mFlags & PARAMFLAG_FOPT) != 0;
        theList += (theList.empty() ? "" : ", ") + PhpType(theParam.mType) + " $" + theParam.mName +
                   (isOptional ? " = null" : "");
    }
    std::string theResult = "void";
    if (inMember.HasRetval())
        theResult = theOuts > 0 ? "array" : PhpType(inMember.ResultType());
    else if (theOuts > 0)
        theResult = theOuts == 1 ? "mixed" : "array";
    ioOut << " * @method " << theResult << " " << inMember.mName << "(" << theList << ")"
          << (inMember.mHelp.empty() ? "" : " " + Line(inMember.mHelp)) << "\n";
}

void WriteProperty(std::ostringstream& ioOut, const MemberModel& inMember)
{
    const bool isWritable = inMember.mPut || inMember.mPutRef;
    const char* theTag = !inMember.mGet ? "@property-write" : isWritable ? "@property" : "@property-read";
    ioOut << " * " << theTag << " " << (inMember.mGet ? PhpType(inMember.ResultType()) : PhpType(inMember.mPutType))
          << " $" << inMember.mName << (inMember.mHelp.empty() ? "" : " " + Line(inMember.mHelp)) << "\n";
}

void WriteInterface(std::ostringstream& ioOut, const ClassModel& inClass)
{
    bool isCollection = false;
    ioOut << "\n/**\n";
    if (const std::string theHelp = inClass.mTable->Help(); !theHelp.empty())
        ioOut << " * " << Line(theHelp) << "\n *\n";
    for (const MemberModel& theMember : inClass.mMembers) {
        if (theMember.mId == DISPID_NEWENUM)
            isCollection = true;
        else if (theMember.mMethod || (theMember.mGet && !theMember.CallerParams().empty()))
            WriteMethod(ioOut, theMember);
        else
            WriteProperty(ioOut, theMember);
    }
    ioOut << " */\ninterface " << inClass.mInfo->mName << (isCollection ? " extends \\Traversable, \\Countable" : "")
          << "\n{\n}\n";
}

}  // namespace

std::string WriteStubs(const ReferenceModel& inModel)
{
    std::ostringstream theOut;
    std::string theChoices;
    std::size_t theOpen = 0;
    for (const ClassModel& theClass : inModel.mClasses) {
        if (theClass.mTable == nullptr || !theClass.mInfo->mCreatable)
            continue;
        const std::string theName = theClass.mInfo->mName;
        theChoices += "($progId is 'Vellumax." + theName + "'|'Vellumax." + theName + ".1' ? " + theName + " : ";
        ++theOpen;
    }
    theChoices += "AutomationObject" + std::string(theOpen, ')');
    theOut
        << "<?php\n"
        << "// Written by tools/reference from the server's own tables; do not edit.\n"
        << "// Regenerate with: cmake --build build --target reference\n"
        << "// For editors and static analysis: the extension defines the functions and classes at run\n"
        << "// time; the interfaces say what each object answers, late-bound.\n\n"
        << "namespace Vellumax;\n\n"
        << "/**\n * A new object of a registered class, by ProgID or CLSID text.\n *\n"
        << " * @return " << theChoices << "\n * @throws Exception when the class can't be made\n */\n"
        << "function create(string $progId): AutomationObject {}\n\n"
        << "/**\n * A parameter string in which every value is quoted: no value can add or override a keyword.\n"
        << " *\n * @param array<string, string|int|float|bool|AutomationObject|array|null> $values\n */\n"
        << "function params(array $values): string {}\n\n"
        << "/** Runs a server module's registration entry point, as tools/regsvr does. */\n"
        << "function register_server(string $module): void {}\n\n"
        << "function unregister_server(string $module): void {}\n\n"
        << "/** Any object of the server: members late-bound, collections walked with foreach. */\n"
        << "final class AutomationObject implements \\IteratorAggregate\n{\n"
        << "    public function __call(string $name, array $arguments): mixed {}\n\n"
        << "    public function getIterator(): \\Iterator {}\n}\n\n"
        << "/** What a failed call throws: the code is the HRESULT, the message the description with a hint line. */\n"
        << "class Exception extends \\Exception\n{\n"
        << "    public string $description = '';\n    public string $source = '';\n    public ?string $hint = "
           "null;\n}\n";
    for (const ClassModel& theClass : inModel.mClasses)
        if (theClass.mTable != nullptr)
            WriteInterface(theOut, theClass);
    return theOut.str();
}

std::string WritePhpUsage()
{
    return "\n## From PHP\n\n"
           "The PHP host is an extension, `vellumax.so` (`hosts/php`, built with the server; load it with "
           "`extension=/path/to/vellumax.so` in an `.ini` of PHP's `conf.d`). It has the functions "
           "`Vellumax\\create(string $progId)`, `Vellumax\\params(array $values)`, "
           "`Vellumax\\register_server(string $module)` and `Vellumax\\unregister_server(string $module)`, the "
           "class `Vellumax\\AutomationObject` of every object (members late-bound by name as in this reference, "
           "collections walked with `foreach` and counted with `count`) and `Vellumax\\Exception` (code: the "
           "HRESULT as an unsigned number; message: the description with a hint line where one helps; "
           "`description`, `source`, `hint`). The hint lines are the Node host's, in PHP's words (`Vellumax\\params` "
           "for an array in place of a parameter string, `mkdir` for a missing folder); a value the extension "
           "can't pass (an array, another class's object) throws a `TypeError` ending with the same line. A PHP string "
           "reaches a parameter named `inData` or `inSrc` as bytes "
           "and every other as UTF-8 text; byte arrays come back as strings. Under PHP-FPM the pool passes the "
           "registry with `env[VX_REGISTRY]`. Editors read `hosts/php/vellumax.stub.php`.\n";
}
