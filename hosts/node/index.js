'use strict';
// The Node.js host of the automation server: page scripts create the server's objects and call
// them late-bound, through proxies that read each object's type information.
//
//   const vx = require('<checkout>/hosts/node');
//   const canvas = vx.createObject('Vellumax.Canvas');   // or new vx.ActiveXObject(...)
//   canvas.Width = 120;
//   const rect = canvas.DrawShape('rect', 'pencolor=red');
//
// The native part lives in the build folder: $VX_BUILD_DIR, else <checkout>/build.

const path = require('node:path');

const buildDir = path.resolve(process.env.VX_BUILD_DIR || path.join(__dirname, '..', '..', 'build'));
const addonPath = path.join(buildDir, 'lib', 'vellumax_node.node');
let native;
try {
  native = require(addonPath);
} catch (err) {
  if (err.code !== 'MODULE_NOT_FOUND') throw err;
  throw new Error(`The Node host is not built: ${addonPath} is missing. ` +
                  'Run scripts/build, or set VX_BUILD_DIR to the build folder.');
}

const INVOKE_FUNC = 1;
const INVOKE_PROPERTYGET = 2;
const INVOKE_PROPERTYPUT = 4;
const INVOKE_PROPERTYPUTREF = 8;
const PARAMFLAG_FOUT = 0x02;
const DISPID_NEWENUM = -4;
const DISP_E_MEMBERNOTFOUND = 0x80020003 | 0;

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
      const member = { id: m.id, params: m.params.length, outs: outs.length ? outs : null, retval: m.retval };
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

function shapeOf(state) {
  if (state.shape) return state.shape;
  const raw = native.describe(state.handle);
  let shape = untyped;
  if (raw) {
    shape = shapes.get(raw.iid);
    if (!shape) {
      shape = new InterfaceShape(raw);
      shapes.set(raw.iid, shape);
    }
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

function methodOf(state, name, member) {
  let fns = state.fns;
  if (!fns) fns = state.fns = new Map();
  let fn = fns.get(name);
  if (!fn) {
    const handle = state.handle;
    fn = (...args) => native.call(handle, member.id, args, member.outs, member.retval);
    fns.set(name, fn);
  }
  return fn;
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
        return function* items() { yield* native.enumerate(handle); };
      }
      if (prop === Symbol.for('nodejs.util.inspect.custom') || prop === Symbol.toPrimitive) {
        return () => `[${shapeOf(state).name}]`;
      }
      return undefined;
    }
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
    if (entry.put) native.put(state.handle, entry.put.id, value, false);
    else native.put(state.handle, entry.putref.id, value, true);
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

function createObject(progIdOrClsid) {
  if (typeof progIdOrClsid !== 'string') throw new TypeError('a ProgID or CLSID text is expected');
  return native.createObject(progIdOrClsid);
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
  buildDir,
  serverPath: path.join(buildDir, 'lib', 'libvellumax.so'),
  registerServer: (modulePath) => native.registerServer(String(modulePath)),
  unregisterServer: (modulePath) => native.unregisterServer(String(modulePath)),
  createObject,
  ActiveXObject,
  sameObject,
};
