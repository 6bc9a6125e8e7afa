// hosts/node/index.d.ts: the host's functions and one interface per built class, typed by
// MemberTypes where it knows a member better than its table does.
#include <algorithm>
#include <set>
#include <sstream>

#include "FormatNames.h"
#include "MemberTypes.h"
#include "ReferenceModel.h"

namespace {

std::string InType(VARTYPE inType)
{
    switch (inType & ~VT_BYREF) {
    case VT_BSTR:
        return "string";
    case VT_I4:
    case VT_R4:
    case VT_R8:
        return "number";
    case VT_BOOL:
        return "boolean";
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return "AutomationObject | null";
    default:
        return "Value";
    }
}

// Results of VARIANT type that MemberTypes does not name are left open for the script.
std::string OutType(VARTYPE inType)
{
    switch (inType & ~VT_BYREF) {
    case VT_BSTR:
        return "string";
    case VT_I4:
    case VT_R4:
    case VT_R8:
        return "number";
    case VT_BOOL:
        return "boolean";
    default:
        return "any";
    }
}

std::string Comment(const std::string& inHelp, const char* inIndent)
{
    return inHelp.empty() ? std::string() : std::string(inIndent) + "/** " + inHelp + " */\n";
}

std::string Quoted(const std::vector<std::string>& inWords)
{
    std::string theText;
    for (const std::string& theWord : inWords)
        theText += (theText.empty() ? "'" : " | '") + theWord + "'";
    return theText.empty() ? "never" : theText;
}

void WriteMethod(std::ostringstream& ioOut, const MemberModel& inMember, const MemberTyping* inTyping)
{
    ioOut << Comment(inMember.mHelp, "    ") << "    " << inMember.mName << "(";
    bool isOptional = false;
    std::size_t theOuts = 0;
    std::size_t theIns = 0;
    bool isFirst = true;
    for (const ParamModel& theParam : inMember.CallerParams()) {
        const bool isOut = (theParam.mFlags & PARAMFLAG_FOUT) != 0;
        theOuts += isOut;
        isOptional = isOptional || isOut || (theParam.mFlags & PARAMFLAG_FOPT) != 0;
        std::string theType = isOut ? "undefined" : InType(theParam.mType);
        if (!isOut && inTyping != nullptr && theIns < inTyping->mParams.size())
            theType = inTyping->mParams[theIns];
        theIns += !isOut;
        ioOut << (isFirst ? "" : ", ") << theParam.mName << (isOptional ? "?: " : ": ") << theType;
        isFirst = false;
    }
    std::string theResult = "void";
    if (inTyping != nullptr && !inTyping->mGet.empty())
        theResult = inTyping->mGet;
    else if (inMember.HasRetval())
        theResult = theOuts > 0 ? "any[]" : OutType(inMember.ResultType());
    else if (theOuts > 0)
        theResult = theOuts == 1 ? "any" : "any[]";
    ioOut << "): " << theResult << ";\n";
}

void WriteProperty(std::ostringstream& ioOut, const MemberModel& inMember, const MemberTyping* inTyping)
{
    const bool isWritable = inMember.mPut || inMember.mPutRef;
    std::string theGet = inMember.mGet ? OutType(inMember.ResultType()) : InType(inMember.mPutType);
    std::string thePut = theGet;
    if (inTyping != nullptr && !inTyping->mGet.empty())
        theGet = thePut = inTyping->mGet;
    if (inTyping != nullptr && !inTyping->mPut.empty())
        thePut = inTyping->mPut;
    ioOut << Comment(inMember.mHelp, "    ");
    if (isWritable && inMember.mGet && thePut != theGet)
        ioOut << "    get " << inMember.mName << "(): " << theGet << ";\n    set " << inMember.mName
              << "(value: " << thePut << ");\n";
    else
        ioOut << "    " << (isWritable ? "" : "readonly ") << inMember.mName << ": " << theGet << ";\n";
}

const char* WordTypeName(WordList inList)
{
    switch (inList) {
    case WordList::Colors:
        return "ColorWord";
    case WordList::Shapes:
        return "ShapeWord";
    case WordList::Operations:
        return "OperationWord";
    case WordList::HAligns:
        return "HAlignWord";
    case WordList::VAligns:
        return "VAlignWord";
    case WordList::Channels:
        return "ChannelWord";
    case WordList::Qualities:
        return "QualityWord";
    case WordList::Depths:
        return "DepthWord";
    case WordList::Modes:
        return "ModeWord";
    case WordList::Styles:
        return "TextStyleWord";
    case WordList::Truth:
        return "TruthWord";
    }
    return nullptr;
}

void WriteWordTypes(std::ostringstream& ioOut, const ReferenceModel& inModel)
{
    ioOut << "  /** Words ignore letter case; these types take them in lower case, upper case or capitalised. */\n"
          << "  type AnyCase<W extends string> = W | Uppercase<W> | Capitalize<W>;\n";
    for (const WordListModel& theList : inModel.mWordLists) {
        const char* theName = WordTypeName(theList.mList);
        if (theName == nullptr)
            continue;
        std::vector<std::string> theWords;
        for (const auto& [theWord, theValue] : theList.mWords)
            if (!theWord.empty() && std::find(theWords.begin(), theWords.end(), theWord) == theWords.end())
                theWords.push_back(theWord);
        ioOut << "  /** " << theList.mTitle << ": used by " << theList.mUsedBy << ". */\n"
              << "  type " << theName << " = " << Quoted(theWords) << ";\n";
    }
    ioOut
        << "  /** A colour: a word, pattern, the empty text (white), percentages r,g,b[,a] or a web colour. */\n"
        << "  type ColorText = AnyCase<ColorWord | 'pattern'> | '' | `#${string}` | `${number},${number},${number}` |\n"
        << "    `${number},${number},${number},${number}`;\n"
        << "  /** A list of style words, or nothing. */\n"
        << "  type TextStyleText = '' | AnyCase<TextStyleWord> | `${AnyCase<TextStyleWord>},${string}`;\n"
        << "  /** left,top,right,bottom */\n"
        << "  type RectText = `${number},${number},${number},${number}`;\n"
        << "  /** x,y */\n"
        << "  type PointText = `${number},${number}`;\n"
        << "  /** A type text that names an export format: a description, a MIME type or a name with its extension; "
           "the empty text lets the file path decide (else BMP). */\n"
        << "  type FormatText = '' | AnyCase<" << Quoted(FormatDescriptions()) << "> | `image/${"
        << Quoted(FormatMimeNames()) << "}` |\n    `${string}.${AnyCase<" << Quoted(FormatExtensions()) << ">}`;\n";
    std::vector<std::string> theKeywords;
    for (const KeywordModel& theKeyword : inModel.mKeywords)
        theKeywords.insert(theKeywords.end(), theKeyword.mNames.begin(), theKeyword.mNames.end());
    ioOut << "  /** The parameter keywords, aliases included. */\n"
          << "  type ParamKeyword = " << Quoted(theKeywords) << ";\n";
}

void WriteClass(std::ostringstream& ioOut, const ClassModel& inClass)
{
    const std::string theName = inClass.mInfo->mName;
    ioOut << "\n"
          << Comment(inClass.mTable->Help(), "  ") << "  interface " << theName << " extends AutomationObject {\n"
          << "    readonly [automationClass]: '" << theName << "';\n";
    for (const MemberModel& theMember : inClass.mMembers) {
        if (theMember.mId == DISPID_NEWENUM) {
            const MemberTyping* theItem = FindTyping(theName, "Item");
            ioOut << "    [Symbol.iterator](): Iterator<" << (theItem ? theItem->mGet : std::string("any")) << ">;\n";
            continue;
        }
        const MemberTyping* theTyping = FindTyping(theName, theMember.mName);
        if (theMember.mMethod || (theMember.mGet && !theMember.CallerParams().empty()))
            WriteMethod(ioOut, theMember, theTyping);
        else
            WriteProperty(ioOut, theMember, theTyping);
    }
    ioOut << "  }\n";
}

void WriteHost(std::ostringstream& ioOut, const ReferenceModel& inModel)
{
    ioOut << "}\n\ndeclare const vellumax: {\n"
          << "  /** The package's version. */\n"
          << "  readonly version: string;\n"
          << "  /** The folder above the native part's lib/: in a checkout $VX_BUILD_DIR, else <checkout>/build. */\n"
          << "  readonly buildDir: string;\n"
          << "  /** The server module, for registerServer. */\n"
          << "  readonly serverPath: string;\n"
          << "  registerServer(modulePath: string): void;\n"
          << "  unregisterServer(modulePath: string): void;\n"
          << "  /** The registry file in use ($VX_REGISTRY, else a system install's, else the user's default). */\n"
          << "  registryPath(): string;\n";
    std::string theNewForms;
    for (const ClassModel& theClass : inModel.mClasses) {
        if (theClass.mTable == nullptr || !theClass.mInfo->mCreatable)
            continue;
        const std::string theName = theClass.mInfo->mName;
        const std::string theIds = "'Vellumax." + theName + "' | 'Vellumax." + theName + ".1'";
        ioOut << "  createObject(progId: " << theIds << "): vellumax." << theName << ";\n";
        theNewForms += "    new (progId: " + theIds + "): vellumax." + theName + ";\n";
    }
    ioOut << "  createObject(progIdOrClsid: string): any;\n"
          << "  ActiveXObject: {\n"
          << theNewForms << "    new (progId: string): any;\n  };\n"
          << "  /** Whether two proxies stand for one object. */\n"
          << "  sameObject(a: unknown, b: unknown): boolean;\n"
          << "  /** A parameter string in which every value is quoted: no value can add or override a keyword. */\n"
          << "  params(values: { [K in vellumax.ParamKeyword]?: vellumax.ParamValue }): string;\n"
          << "  /** The bytes V8 counts as external memory on this thread, pixels of live canvases included. */\n"
          << "  externalMemory(): number;\n"
          << "};\n\nexport = vellumax;\n";
}

// Derived from each interface, so that the promise forms follow its members and their types.
constexpr const char* kAsyncTypes =
    "  /** Whether a property of T is read-only. */\n"
    "  type IsReadonly<T, K extends keyof T> = (<U>() => U extends Pick<T, K> ? 1 : 2) extends\n"
    "    (<U>() => U extends { -readonly [P in keyof Pick<T, K>]: T[P] } ? 1 : 2) ? false : true;\n"
    "  /** A method's promise form answers what the method returns; a property is read by calling it\n"
    "   *  without arguments and written by calling it with the value. */\n"
    "  type AsyncProperty<T, K extends keyof T> =\n"
    "    IsReadonly<T, K> extends true ? () => Promise<T[K]> : { (): Promise<T[K]>; (value: T[K]): Promise<void> };\n"
    "  type AsyncMember<T, K extends keyof T> = 0 extends 1 & T[K] ? AsyncProperty<T, K>\n"
    "    : T[K] extends (...args: infer A) => infer R ? (...args: A) => Promise<R> : AsyncProperty<T, K>;\n"
    "  /** obj.async: every member as a promise, run on the thread pool; calls on one object run in the order\n"
    "   *  made, and a plain call on an object with promise calls pending throws (number E_PENDING). */\n"
    "  type Async<T> = { readonly [K in keyof T as K extends 'async' | symbol ? never : K]: AsyncMember<T, K> };\n";

}  // namespace

std::string WriteTypings(const ReferenceModel& inModel)
{
    std::ostringstream theOut;
    theOut
        << "// Written by tools/reference from the server's own tables; do not edit.\n"
        << "// Regenerate with: cmake --build build --target reference\n"
        << "/// <reference types=\"node\" />\n\n"
        << "/** Tells the classes apart: a Gestalt is not a Canvas, a string not an object. */\n"
        << "declare const automationClass: unique symbol;\n\n"
        << "declare namespace vellumax {\n"
        << "  /** What a member taking a value accepts; numbers, text and byte arrays convert both ways. */\n"
        << "  type Value = string | number | boolean | bigint | Uint8Array | AutomationObject | null | undefined;\n"
        << "  /** A value of vx.params: arrays are joined with the list separator; value objects give their "
           "String. */\n"
        << "  type ParamValue = string | number | boolean | bigint | ReadonlyArray<string | number> | XColor | XRect "
           "| XPoint | null | undefined;\n"
        << "  /** Any object of the server. */\n"
        << "  interface AutomationObject {\n    readonly [automationClass]: string;\n"
        << "    /** The promise forms of the members, run off the event loop: see Async. */\n"
        << "    readonly async: Async<this>;\n  }\n"
        << kAsyncTypes
        << "  /** What a failed call throws: message is the description, with a hint line where one helps. */\n"
        << "  interface AutomationError extends Error {\n"
        << "    number: number;\n    description: string;\n    source: string;\n    hint?: string;\n  }\n";
    WriteWordTypes(theOut, inModel);
    for (const ClassModel& theClass : inModel.mClasses)
        if (theClass.mTable != nullptr)
            WriteClass(theOut, theClass);
    WriteHost(theOut, inModel);
    return theOut.str();
}
