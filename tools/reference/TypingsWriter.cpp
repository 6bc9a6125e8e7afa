// hosts/node/index.d.ts: the host's functions and one interface per built class.
#include <sstream>

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

// Results of VARIANT type are whatever the member answers: left open for the script.
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

void WriteMethod(std::ostringstream& ioOut, const MemberModel& inMember)
{
    ioOut << Comment(inMember.mHelp, "    ") << "    " << inMember.mName << "(";
    bool isOptional = false;
    std::size_t theOuts = 0;
    bool isFirst = true;
    for (const ParamModel& theParam : inMember.CallerParams()) {
        const bool isOut = (theParam.mFlags & PARAMFLAG_FOUT) != 0;
        theOuts += isOut;
        isOptional = isOptional || isOut || (theParam.mFlags & PARAMFLAG_FOPT) != 0;
        ioOut << (isFirst ? "" : ", ") << theParam.mName << (isOptional ? "?: " : ": ")
              << (isOut ? "undefined" : InType(theParam.mType));
        isFirst = false;
    }
    std::string theResult = "void";
    if (inMember.HasRetval())
        theResult = theOuts > 0 ? "any[]" : OutType(inMember.ResultType());
    else if (theOuts > 0)
        theResult = theOuts == 1 ? "any" : "any[]";
    ioOut << "): " << theResult << ";\n";
}

void WriteProperty(std::ostringstream& ioOut, const MemberModel& inMember)
{
    ioOut << Comment(inMember.mHelp, "    ") << "    " << (inMember.mPut || inMember.mPutRef ? "" : "readonly ")
          << inMember.mName << ": " << (inMember.mGet ? OutType(inMember.ResultType()) : InType(inMember.mPutType))
          << ";\n";
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
    theOut << "// Written by tools/reference from the server's own tables; do not edit.\n"
           << "// Regenerate with: cmake --build build --target reference\n"
           << "/// <reference types=\"node\" />\n\n"
           << "declare namespace vellumax {\n"
           << "  /** What a member taking a value accepts; numbers, text and byte arrays convert both ways. */\n"
           << "  type Value = string | number | boolean | bigint | Uint8Array | AutomationObject | null | undefined;\n"
           << "  /** A value of vx.params: arrays are joined with the list separator. */\n"
           << "  type ParamValue = string | number | boolean | bigint | ReadonlyArray<string | number> | "
              "AutomationObject | null | undefined;\n"
           << "  /** Any object of the server. */\n"
           << "  interface AutomationObject {\n"
           << "    /** The promise forms of the members, run off the event loop: see Async. */\n"
           << "    readonly async: Async<this>;\n  }\n"
           << kAsyncTypes
           << "  /** What a failed call throws: message is the description, with a hint line where one helps. */\n"
           << "  interface AutomationError extends Error {\n"
           << "    number: number;\n    description: string;\n    source: string;\n    hint?: string;\n  }\n";
    for (const ClassModel& theClass : inModel.mClasses) {
        if (theClass.mTable == nullptr)
            continue;
        theOut << "\n"
               << Comment(theClass.mTable->Help(), "  ") << "  interface " << theClass.mInfo->mName
               << " extends AutomationObject {\n";
        for (const MemberModel& theMember : theClass.mMembers) {
            if (theMember.mId == DISPID_NEWENUM) {
                theOut << "    [Symbol.iterator](): Iterator<any>;\n";
                continue;
            }
            if (theMember.mMethod || (theMember.mGet && !theMember.CallerParams().empty()))
                WriteMethod(theOut, theMember);
            else
                WriteProperty(theOut, theMember);
        }
        theOut << "  }\n";
    }
    theOut << "}\n\ndeclare const vellumax: {\n"
           << "  /** The build folder the native part is loaded from ($VX_BUILD_DIR, else <checkout>/build). */\n"
           << "  readonly buildDir: string;\n"
           << "  /** The server module, for registerServer. */\n"
           << "  readonly serverPath: string;\n"
           << "  registerServer(modulePath: string): void;\n"
           << "  unregisterServer(modulePath: string): void;\n"
           << "  /** The registry file in use ($VX_REGISTRY, else the user's default). */\n"
           << "  registryPath(): string;\n";
    std::string theNewForms;
    for (const ClassModel& theClass : inModel.mClasses) {
        if (theClass.mTable == nullptr || !theClass.mInfo->mCreatable)
            continue;
        const std::string theName = theClass.mInfo->mName;
        const std::string theIds = "'Vellumax." + theName + "' | 'Vellumax." + theName + ".1'";
        theOut << "  createObject(progId: " << theIds << "): vellumax." << theName << ";\n";
        theNewForms += "    new (progId: " + theIds + "): vellumax." + theName + ";\n";
    }
    theOut << "  createObject(progIdOrClsid: string): any;\n"
           << "  ActiveXObject: {\n"
           << theNewForms << "    new (progId: string): any;\n  };\n"
           << "  /** Whether two proxies stand for one object. */\n"
           << "  sameObject(a: unknown, b: unknown): boolean;\n"
           << "  /** A parameter string in which every value is quoted: no value can add or override a keyword. */\n"
           << "  params(values: { [keyword: string]: vellumax.ParamValue }): string;\n"
           << "  /** The bytes V8 counts as external memory on this thread, pixels of live canvases included. */\n"
           << "  externalMemory(): number;\n"
           << "};\n\nexport = vellumax;\n";
    return theOut.str();
}
