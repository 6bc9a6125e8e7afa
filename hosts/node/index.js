'use strict';
// The Node.js host of the automation server: page scripts create the server's objects and call
// them late-bound, through proxies that read each object's type information.
//
//   const vx = require('<checkout>/hosts/node');
//   const canvas = vx.createObject('Vellumax.Canvas');   // or new vx.ActiveXObject(...)
//   canvas.Width = 120;
//   const rect = canvas.DrawShape('rect', 'pencolor=red');
//
// The native part lives in the build folder of a checkout ($VX_BUILD_DIR, else <checkout>/build),
// or where a package put it (location.js).

const fs = require('node:fs');
const path = require('node:path');
const hints = require('./src/hints');
const location = require('./location');

const where = location.locate(__dirname);
const buildDir = where.buildDir;
const serverPath = path.join(where.libDir, 'libvellumax.so');
const addonPath = path.join(where.libDir, 'vellumax_node.node');
let native;
try {
  native = require(addonPath);
} catch (err) {
  if (err.code !== 'MODULE_NOT_FOUND') throw err;
  throw new Error(`The Node host is not built: ${addonPath} is missing. ${where.missing}`);
}

const INVOKE_FUNC = 1;
const INVOKE_PROPERTYGET = 2;
const INVOKE_PROPERTYPUT = 4;
const INVOKE_PROPERTYPUTREF = 8;
const PARAMFLAG_FOUT = 0x02;
const PARAMFLAG_FRETVAL = 0x08;
const PARAMFLAG_FOPT = 0x10;
const DISPID_NEWENUM = -4;
const DISP_E_MEMBERNOTFOUND = 0x80020003 | 0;
const DISP_E_BADPARAMCOUNT = 0x8002000e | 0;
const CO_E_CLASSSTRING = 0x800401f3 | 0;
const REGDB_E_CLASSNOTREG = 0x80040154 | 0;
const CO_E_DLLNOTFOUND = 0x800401f8 | 0;
const CO_E_ERRORINDLL = 0x800401f9 | 0;

const kHandle = Symbol('vellumax.handle');

// What one interface offers, by name (exact and lower case), built once per interface.
class InterfaceShape {
  constructor(raw) {
    this.name = raw ? raw.name : 'IDispatch';
    this.typed = !!raw;
    this.enumerable = false;
    this.byName = new Map();
    if (!raw) return;
    for (const m of raw.members) {
      if (m.id === DISPID_NEWENUM) this.enumerable = true;
      const key = m.name.toLowerCase();
      let entry = this.byName.get(key);
      if (!entry) {
        entry = { name: m.name, get: null, put: null, putref: null, method: null };
        this.byName.set(key, entry);
        this.byName.set(m.name, entry);
      }
      const outs = [];
      m.params.forEach((flags, i) => { if (flags & PARAMFLAG_FOUT) outs.push(i); });
      const member = {
        id: m.id, params: m.params.length, outs: outs.length ? outs : null, retval: m.retval,
        name: m.name, flags: m.params, paramNames: m.paramNames || [],
      };
      if (m.kind === INVOKE_FUNC) entry.method = member;
      else if (m.kind === INVOKE_PROPERTYGET) entry.get = member;
      else if (m.kind === INVOKE_PROPERTYPUT) entry.put = member;
      else if (m.kind === INVOKE_PROPERTYPUTREF) entry.putref = member;
    }
    for (const entry of this.byName.values()) {
      // A name reads as a value when it is a property without arguments; otherwise it is called.
      entry.isValue = !entry.method && !!entry.get && entry.get.params === 0;
      entry.call = entry.method || entry.get;
    }
  }

  find(name) {
    return this.byName.get(name) || this.byName.get(name.toLowerCase());
  }
}

const shapes = new Map();  // interface id → InterfaceShape
const untyped = new InterfaceShape(null);

// The member table is built once per interface: every object a call returns gets a new proxy,
// and naming all members again for each took a tenth of a page's time on the event loop.
function shapeOf(state) {
  if (state.shape) return state.shape;
  const iid = native.interfaceId(state.handle);
  let shape = iid === null ? untyped : shapes.get(iid);
  if (!shape) {
    const raw = native.describe(state.handle);
    shape = raw ? new InterfaceShape(raw) : untyped;
    if (raw) shapes.set(raw.iid, shape);
  }
  state.shape = shape;
  return shape;
}

function memberError(shape, name) {
  const err = new Error(`${shape.name} has no member ${name}`);
  err.number = DISP_E_MEMBERNOTFOUND;
  err.description = err.message;
  err.source = '';
  return err;
}

// How a member is called, from its type information: ICanvas.DrawShape(inShape, inParams).
function signatureOf(shape, member) {
  const parts = [];
  let required = 0;
  let accepted = 0;
  member.flags.forEach((flags, i) => {
    if (flags & PARAMFLAG_FRETVAL) return;
    const name = member.paramNames[i] || `arg${i + 1}`;
    const optional = (flags & PARAMFLAG_FOPT) || (flags & PARAMFLAG_FOUT);
    ++accepted;
    if (!optional) required = accepted;
    parts.push(optional ? `[${name}]` : name);
  });
  return { text: `${shape.name}.${member.name}(${parts.join(', ')})`, required, accepted };
}

// The error with a hint line after the server's text in `message`; number, description and
// source stay as the server gave them.
function withHint(err, hint) {
  if (!(err instanceof Error) || typeof err.description !== 'string') return err;
  const header = `${err.name}: ${err.message}`;
  const stack = err.stack;
  err.message = `${err.description}\n${hint}`;
  err.hint = hint;
  if (typeof stack === 'string' && stack.startsWith(header)) {
    err.stack = `${err.name}: ${err.message}${stack.slice(header.length)}`;
  }
  return err;
}

function countHint(shape, member, given) {
  const sig = signatureOf(shape, member);
  const range = sig.required === sig.accepted ? `${sig.accepted}` : `${sig.required} to ${sig.accepted}`;
  const noun = sig.accepted === 1 ? 'argument' : 'arguments';
  return `${sig.text} takes ${range} ${noun}; ${given} given.`;
}

function methodOf(state, name, member) {
  let fns = state.fns;
  if (!fns) fns = state.fns = new Map();
  let fn = fns.get(name);
  if (!fn) {
    const handle = state.handle;
    const shape = state.shape;
    fn = (...args) => {
      try {
        return native.call(handle, member.id, args, member.outs, member.retval);
      } catch (err) {
        if (err && err.number === DISP_E_BADPARAMCOUNT && member.flags && shape && shape.typed) {
          throw withHint(err, countHint(shape, member, args.length));
        }
        throw shape && shape.typed ? hints.forCall(err, shape.name, member.name, args, interfaceOf) : err;
      }
    };
    fns.set(name, fn);
  }
  return fn;
}

// The interface name of a proxy, null for any other value.
function interfaceOf(value) {
  const handle = value !== null && typeof value === 'object' ? value[kHandle] : undefined;
  if (!handle) return null;
  const raw = native.describe(handle);
  return raw ? raw.name : 'IDispatch';
}

// The promise forms: `obj.async.Member(...)` runs the call on libuv's thread pool and answers a
// promise of what the plain call returns, or rejects with the error it throws. A property is read
// by `obj.async.Width()` and written by `obj.async.Width(320)`. Calls on one object, and on the
// objects passed to it, run one at a time in the order made; a plain call on an object with
// promise calls pending throws (E_PENDING) rather than block the event loop.
const CALL_GET = 0;
const CALL_PUT = 1;
const CALL_PUTREF = 2;
const CALL_METHOD = 3;

function settle(start, hint) {
  try {
    const promise = start();
    return hint ? promise.catch((err) => { throw hint(err); }) : promise;
  } catch (err) {
    return Promise.reject(hint ? hint(err) : err);
  }
}

function asyncMember(state, name) {
  const shape = shapeOf(state);
  const entry = shape.typed ? shape.find(name) : untypedMember(state, name);
  if (!entry) return undefined;
  const handle = state.handle;
  const member = entry.call;
  // A rejection carries the hint line the plain call's error would.
  if (entry.isValue || (!member && (entry.put || entry.putref))) {
    return (...args) => {
      const putHint = (err) => (shape.typed && args.length > 0
        ? hints.forPut(err, shape.name, entry.name, args[0], interfaceOf) : err);
      return settle(() => {
        if (args.length === 0) {
          if (!entry.get) throw memberError(shape, name);
          return native.callAsync(handle, entry.get.id, CALL_GET, [], null, true);
        }
        if (!entry.put && !entry.putref) throw memberError(shape, name);
        if (entry.put) return native.callAsync(handle, entry.put.id, CALL_PUT, [args[0]], null, false);
        return native.callAsync(handle, entry.putref.id, CALL_PUTREF, [args[0]], null, false);
      }, putHint);
    };
  }
  if (!member) return undefined;
  const hint = (err, args) => {
    if (err && err.number === DISP_E_BADPARAMCOUNT && member.flags && shape.typed) {
      return withHint(err, countHint(shape, member, args.length));
    }
    return shape.typed ? hints.forCall(err, shape.name, member.name, args, interfaceOf) : err;
  };
  return (...args) => settle(() => native.callAsync(handle, member.id, CALL_METHOD, args, member.outs, member.retval),
                             (err) => hint(err, args));
}

const asyncHandler = {
  get(state, prop) {
    if (typeof prop === 'symbol') return undefined;
    let fns = state.asyncFns;
    if (!fns) fns = state.asyncFns = new Map();
    let fn = fns.get(prop);
    if (!fn) {
      fn = asyncMember(state, prop);
      if (fn) fns.set(prop, fn);
    }
    return fn;
  },
  has(state, prop) {
    return typeof prop === 'string' && !!asyncMember(state, prop);
  },
  set() {
    throw new TypeError('the promise form writes a property by calling it: await obj.async.Width(320)');
  },
};

function asyncOf(state) {
  if (!state.async) state.async = new Proxy(state, asyncHandler);
  return state.async;
}

// Members of objects without type information: found by name, called as script engines do.
function untypedMember(state, name) {
  let id;
  try {
    id = native.idOfName(state.handle, name);
  } catch {
    return undefined;
  }
  return { name, isValue: false, call: { id, outs: null, retval: true }, put: { id }, putref: null };
}

const handler = {
  get(state, prop) {
    if (prop === kHandle) return state.handle;
    if (typeof prop === 'symbol') {
      if (prop === Symbol.iterator && shapeOf(state).enumerable) {
        const handle = state.handle;
        // In batches, so that a loop over a large collection holds one batch at a time.
        return function* items() {
          const enumerator = native.enumerator(handle);
          for (let batch = native.enumNext(enumerator, 256); batch.length > 0; batch = native.enumNext(enumerator, 256)) {
            yield* batch;
          }
        };
      }
      if (prop === Symbol.for('nodejs.util.inspect.custom') || prop === Symbol.toPrimitive) {
        return () => `[${shapeOf(state).name}]`;
      }
      return undefined;
    }
    if (prop === 'async') return asyncOf(state);
    const shape = shapeOf(state);
    const entry = shape.typed ? shape.find(prop) : untypedMember(state, prop);
    if (!entry) return undefined;
    if (entry.isValue) return native.get(state.handle, entry.get.id);
    if (!entry.call) return undefined;
    return methodOf(state, prop, entry.call);
  },

  set(state, prop, value) {
    if (typeof prop === 'symbol') throw new TypeError('automation objects take no symbol properties');
    const shape = shapeOf(state);
    const entry = shape.typed ? shape.find(prop) : untypedMember(state, prop);
    if (!entry || (!entry.put && !entry.putref)) throw memberError(shape, prop);
    // Put unless the member can only be put by reference.
    try {
      if (entry.put) native.put(state.handle, entry.put.id, value, false);
      else native.put(state.handle, entry.putref.id, value, true);
    } catch (err) {
      throw shape.typed ? hints.forPut(err, shape.name, entry.name, value, interfaceOf) : err;
    }
    return true;
  },

  has(state, prop) {
    if (prop === kHandle) return true;
    if (typeof prop === 'symbol') return prop === Symbol.iterator && shapeOf(state).enumerable;
    const shape = shapeOf(state);
    return shape.typed ? !!shape.find(prop) : !!untypedMember(state, prop);
  },

  deleteProperty() {
    return false;
  },

  defineProperty() {
    return false;
  },
};

// The target behind each proxy; util.inspect shows it, so it prints as its interface.
class ObjectState {
  constructor(handle) {
    this.handle = handle;
    this.shape = null;
    this.fns = null;
    this.asyncFns = null;
    this.async = null;
  }

  // Called with the proxy as `this`.
  [Symbol.for('nodejs.util.inspect.custom')]() {
    const raw = native.describe(this[kHandle] || this.handle);
    return `[${raw ? raw.name : 'IDispatch'}]`;
  }
}

function makeProxy(handle) {
  return new Proxy(new ObjectState(handle), handler);
}

native.setup(makeProxy, kHandle);

// The registry file: VX_REGISTRY, else a system install's registry, else the user's default.
function registryPath() {
  return location.registryPath(where);
}

// The runtime reads the process environment, which a worker's own process.env does not change:
// each thread tells it the file this thread's environment names before it activates or registers.
let threadRegistry = null;
function useRegistry() {
  const file = registryPath();
  if (file !== threadRegistry) {
    native.useRegistry(file);
    threadRegistry = file;
  }
  return file;
}

function samePath(a, b) {
  try {
    return fs.realpathSync(a) === fs.realpathSync(b);
  } catch {
    return false;
  }
}

// An npm install registers its own server on first use, and again when the registry names
// another copy (a moved project, another install).
const registeredIn = new Set();
function ensureRegistered(file) {
  if (where.kind !== 'npm' || registeredIn.has(file)) return;
  const module = native.registeredModule('Vellumax.Canvas');
  if (!module || !samePath(module, serverPath)) native.registerServer(serverPath);
  registeredIn.add(file);
}

function registrationHint(name, code) {
  return hints.forRegistration(name, code === CO_E_DLLNOTFOUND || code === CO_E_ERRORINDLL, registryPath(),
                               !!process.env.VX_REGISTRY);
}

function createObject(progIdOrClsid) {
  if (typeof progIdOrClsid !== 'string') throw new TypeError('a ProgID or CLSID text is expected');
  try {
    ensureRegistered(useRegistry());
    return native.createObject(progIdOrClsid);
  } catch (err) {
    const code = err && err.number;
    if (code === CO_E_CLASSSTRING || code === REGDB_E_CLASSNOTREG || code === CO_E_DLLNOTFOUND ||
        code === CO_E_ERRORINDLL) {
      throw withHint(err, registrationHint(progIdOrClsid, code));
    }
    throw err;
  }
}

// A parameter string from { keyword: value }: every value is quoted (a quote inside doubled), so
// no value can end its own token and add or override a keyword. Arrays are joined with ','; null
// and undefined leave the keyword out. Whatever it can't take fails with a TypeError that says
// what it takes.
const kParamsTakes = 'vx.params takes an object of keyword: value pairs, each value a string, a number, ' +
                     'a boolean, an XColor, XRect or XPoint, or an array of these';
const kMaxNesting = 16;

function paramsError(detail) {
  return new TypeError(`${detail}; ${kParamsTakes}`);
}

function params(values) {
  if (values === null || typeof values !== 'object' || Array.isArray(values)) {
    throw paramsError(`vx.params was given ${describeValue(values)}`);
  }
  if (values[kHandle]) throw paramsError(`vx.params was given ${describeValue(values)}`);
  const parts = [];
  for (const [keyword, value] of Object.entries(values)) {
    if (!/^[A-Za-z]+$/.test(keyword)) throw paramsError(`not a parameter keyword: ${JSON.stringify(keyword)}`);
    if (value === undefined || value === null) continue;
    parts.push(`${keyword}='${quoted(keyword, paramText(keyword, value, new Set()))}'`);
  }
  return parts.join(' ');
}

function describeValue(value) {
  if (value === null) return 'null';
  if (Array.isArray(value)) return 'an array';
  if (typeof value !== 'object') return `a ${typeof value}`;
  const handle = value[kHandle];
  if (handle) {
    const raw = native.describe(handle);
    return `an automation object (${raw ? raw.name : 'IDispatch'}) without a text form`;
  }
  return 'an object without a text form';
}

function paramText(keyword, value, open) {
  switch (typeof value) {
    case 'string':
      return value;
    case 'boolean':
      return value ? 'true' : 'false';
    case 'bigint':
      return String(value);
    case 'number':
      if (!Number.isFinite(value)) throw paramsError(`the value of ${keyword} is not a finite number`);
      return String(value);
    default:
      break;
  }
  if (value === null || value === undefined) throw paramsError(`the value of ${keyword} holds ${value}`);
  if (Array.isArray(value)) {
    if (open.has(value)) throw paramsError(`the value of ${keyword} is an array that holds itself`);
    if (open.size >= kMaxNesting) throw paramsError(`the value of ${keyword} nests arrays over ${kMaxNesting} deep`);
    open.add(value);
    const items = [];
    for (let i = 0; i < value.length; ++i) items.push(paramText(keyword, value[i], open));
    open.delete(value);
    return items.join(',');
  }
  // A value object (XColor, XRect, XPoint) gives its text form; other objects have none.
  if (typeof value === 'object' && value[kHandle] && 'String' in value) return paramText(keyword, value.String, open);
  throw paramsError(`the value of ${keyword} is ${describeValue(value)}`);
}

// The text with each quote doubled, in one pass over its UTF-16 units: replacing
// quote by quote made a string piece per quote (10 MB of quotes took seconds).
function quoted(keyword, text) {
  if (text.includes('\0')) throw paramsError(`the value of ${keyword} holds a NUL character`);
  let quotes = 0;
  for (let at = text.indexOf("'"); at >= 0; at = text.indexOf("'", at + 1)) ++quotes;
  if (quotes === 0) return text;
  const out = new Uint16Array(text.length + quotes);
  for (let i = 0, o = 0; i < text.length; ++i) {
    const unit = text.charCodeAt(i);
    out[o++] = unit;
    if (unit === 39) out[o++] = 39;
  }
  return Buffer.from(out.buffer, out.byteOffset, out.byteLength).toString('utf16le');
}

// `new ActiveXObject(progId)` gives the object's proxy.
function ActiveXObject(progId) {
  if (!new.target) throw new TypeError("ActiveXObject must be called with 'new'");
  return createObject(progId);
}

// Whether two proxies stand for the same object.
function sameObject(a, b) {
  const ha = a && a[kHandle];
  const hb = b && b[kHandle];
  return !!ha && !!hb && native.sameObject(ha, hb);
}

module.exports = {
  version: require('./package.json').version,
  buildDir,
  serverPath,
  registerServer: (modulePath) => {
    useRegistry();
    registeredIn.clear();
    native.registerServer(String(modulePath));
  },
  unregisterServer: (modulePath) => {
    useRegistry();
    registeredIn.clear();
    native.unregisterServer(String(modulePath));
  },
  registryPath,
  createObject,
  ActiveXObject,
  sameObject,
  params,
  // The bytes V8 counts as external memory on this thread, pixels of live canvases included.
  externalMemory: () => native.externalMemory(),
};
